// Which of the host's messages (mi_info, mi_warning, ...) reach standard
// error, and whether a plug-in has reported a fatal error.
#pragma once

#include "qzhost/export.h"

namespace qzhost {

enum class MessageLevel { Errors, Warnings, Info, Debug };

// Default: Info (fatal, error, warning, info and progress messages).
QZHOST_API void setMessageLevel(MessageLevel level);

// True once a plug-in has called mi_fatal or mi_nfatal. The host keeps
// running (a library must never end the process) but must not deliver the
// render as complete.
QZHOST_API bool fatalReported();

} // namespace qzhost
