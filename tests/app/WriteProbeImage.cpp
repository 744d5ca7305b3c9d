// Writes a small RGB image for the scripted tests: write_probe_image PATH HEIGHT WIDTH
#include "support/TestImages.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    quorvel::test::ImageSpecForTest recipe;
    recipe.height = QByteArray(argv[2]).toInt();
    recipe.width = QByteArray(argv[3]).toInt();
    return quorvel::test::writeTestImage(QString::fromLocal8Bit(argv[1]), recipe) ? 0 : 1;
}
