#include "Log.h"

Q_LOGGING_CATEGORY(lcApp, "sorlin.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "sorlin.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMedia, "sorlin.media", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSkin, "sorlin.skin", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDisplay, "sorlin.display", QtWarningMsg)
