#include "platform/logging.h"

// Silent unless QT_LOGGING_RULES turns them on: none of these is the user's concern.
Q_LOGGING_CATEGORY(lcDesktop, "zelvanor.desktop", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPrint, "zelvanor.print", QtWarningMsg)
Q_LOGGING_CATEGORY(lcList, "zelvanor.list", QtWarningMsg)
