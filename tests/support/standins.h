#pragma once

#include "platform/desktop.h"
#include "platform/passwordstore.h"
#include "recordingdesktop.h"
#include "scripteddialogs.h"
#include "scriptedprinters.h"

// The desktop as a window under test meets it: scripted dialogs and printers, recorded
// launches, a registry of the test's own and passwords kept in memory.
struct StandIns {
    ScriptedDialogs dialogs;
    RecordingShellOpen shell;
    ScriptedRegistry registry;
    RecordingPrograms programs;
    ScriptedPrinters printers;
    MemoryPasswords passwords;
    Desktop desktop{dialogs, shell, registry, programs, printers, passwords};
};
