#include "PrivateFile.h"

#include <QSaveFile>
#include <QTextStream>

namespace PrivateFile {

bool write(const QString &path, const QString &text, bool platformLineEnds)
{
    QSaveFile file(path);
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (platformLineEnds)
        mode |= QIODevice::Text;
    if (!file.open(mode))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QTextStream out(&file);
    out << text;
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

} // namespace PrivateFile
