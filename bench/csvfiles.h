#pragma once

#include "csv/textdecoding.h"

#include <QString>
#include <QtGlobal>

namespace benchfiles {

// An import file of count lines made from the generated contacts (the fields trimmed, in the
// import order, ";"-separated, CR LF), in Windows-1250 or in UTF-8 with a byte-order mark as a
// spreadsheet saves it. Made once under the temporary folder and kept for later runs; aborts
// when it cannot be made.
QString importFile(qint64 count, TextEncoding encoding);

} // namespace benchfiles
