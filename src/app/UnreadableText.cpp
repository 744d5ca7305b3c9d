#include "app/UnreadableText.h"

#include <QCoreApplication>

namespace quorvel {

QString unreadableText(UnreadableReason reason)
{
    switch (reason) {
    case UnreadableReason::None: break;
    case UnreadableReason::NotAnImage: return QCoreApplication::translate("Unreadable", "not an image");
    case UnreadableReason::NotSupported: return QCoreApplication::translate("Unreadable", "format not supported");
    case UnreadableReason::Damaged: return QCoreApplication::translate("Unreadable", "damaged");
    case UnreadableReason::TooLarge: return QCoreApplication::translate("Unreadable", "too large");
    case UnreadableReason::TimedOut: return QCoreApplication::translate("Unreadable", "timed out");
    case UnreadableReason::PermissionDenied: return QCoreApplication::translate("Unreadable", "permission denied");
    case UnreadableReason::Vanished: return QCoreApplication::translate("Unreadable", "no longer there");
    case UnreadableReason::NotFound: return QCoreApplication::translate("Unreadable", "not found");
    case UnreadableReason::Folder: return QCoreApplication::translate("Unreadable", "a folder, not an image");
    }
    return {};
}

} // namespace quorvel
