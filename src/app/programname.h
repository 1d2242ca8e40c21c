#pragma once

// Names the program to Qt and to the desktop, once the application object exists. The taskbar
// and the desktop entry know it as Zelvanor; every title bar shows its window's own caption.
void nameProgram();
