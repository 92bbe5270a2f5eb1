#include "SessionFiles.h"

#include <QStandardPaths>

namespace SessionFiles {

// The temporary directory lies in the user's own profile there.
QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation);
}

} // namespace SessionFiles
