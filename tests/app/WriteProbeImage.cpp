// Writes a small image for the scripted tests and the README screenshot:
//   write_probe_image PATH HEIGHT WIDTH [MODEL [DPI]]
// MODEL is rgb (the default), cmyk or grey; DPI is the recorded resolution
// (72 unless given).
#include "support/TestImages.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4 || argc > 6)
        return 2;
    quorvel::test::ImageSpecForTest recipe;
    recipe.height = QByteArray(argv[2]).toInt();
    recipe.width = QByteArray(argv[3]).toInt();
    if (argc > 4) {
        const QByteArray model = QByteArray(argv[4]).toLower();
        if (model == "cmyk")
            recipe.model = quorvel::test::Model::CMYK;
        else if (model == "grey" || model == "gray")
            recipe.model = quorvel::test::Model::Grey;
        else if (model != "rgb")
            return 2;
    }
    if (argc > 5)
        recipe.dpi = QByteArray(argv[5]).toDouble();
    return quorvel::test::writeTestImage(QString::fromLocal8Bit(argv[1]), recipe) ? 0 : 1;
}
