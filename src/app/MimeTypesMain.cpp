// At build time: the MIME types of the image types the program reads, for
// the desktop entry's MimeType key, as "image/a;image/b;".
#include "platform/ImageTypes.h"

#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QMimeDatabase types;
    QStringList names;
    for (const QString& suffix : quorvel::platform::readableImageSuffixes()) {
        const QMimeType type = types.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
        if (type.name().startsWith(QLatin1String("image/")) && !names.contains(type.name()))
            names << type.name();
    }
    names.sort();
    std::printf("%s;\n", names.join(QLatin1Char(';')).toUtf8().constData());
    return names.isEmpty() ? 1 : 0;
}
