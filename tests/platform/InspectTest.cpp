// quorvel-inspect, run as a script would run it.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"
#include "support/TestImages.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

struct InspectRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

InspectRun inspect(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVEL_INSPECT_BINARY), arguments);
    InspectRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

TEST(Inspect, PrintsOneLinePerFileInOrder)
{
    ImageSpecForTest cmyk;
    cmyk.width = 40;
    cmyk.height = 30;
    cmyk.model = Model::CMYK;
    cmyk.dpi = 300;
    const QString cmykPath = QString::fromStdString(scratchPath("inspect-cmyk.tif"));
    ASSERT_TRUE(writeTestImage(cmykPath, cmyk));

    JpegSpec cm;
    cm.width = 20;
    cm.height = 13;
    cm.jfifUnit = 2;
    cm.yDensity = cm.xDensity = 118; // 299.72 dpi, shown as 299
    const QString cmPath = QString::fromStdString(scratchPath("inspect-cm.jpg"));
    ASSERT_TRUE(writeJpeg(cmPath.toStdString(), cm));

    PngSpec greyNoPhys;
    greyNoPhys.colourType = 0;
    const QString greyPath = QString::fromStdString(scratchPath("inspect-grey.png"));
    ASSERT_TRUE(writePng(greyPath.toStdString(), greyNoPhys));

    const QString labPath = QString::fromStdString(scratchPath("inspect-lab.tif"));
    TiffSpec lab;
    lab.photometric = 8; // CIE L*a*b*
    lab.samples = 3;
    ASSERT_TRUE(writeTiff(labPath.toStdString(), lab));

    const QString missing = QString::fromStdString(scratchPath("inspect-missing.jpg"));

    const InspectRun run = inspect({cmykPath, missing, cmPath, greyPath, labPath, cmykPath});
    EXPECT_EQ(run.exitCode, 0);
    const QByteArray expected = (cmykPath + "\t30\t40\t300\tCMYK\tDeviceCMYK\n"
                                 + missing + "\t0\t0\t-2147483648\tOther\t\n"
                                 + cmPath + "\t13\t20\t299\tRGB\tCalibratedRGB\n"
                                 + greyPath + "\t13\t20\t72\tGrayscale\tCalibratedGray\n"
                                 + labPath + "\t13\t20\t72\tOther\tLab\n"
                                 + cmykPath + "\t30\t40\t300\tCMYK\tDeviceCMYK\n")
                                    .toUtf8();
    EXPECT_EQ(run.out, expected);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
}

// A folder walk takes layered documents and bitmaps as images, and the tool
// reads them itself.
TEST(Inspect, WalksToLayeredDocumentsAndBitmaps)
{
    const QString folder = QString::fromStdString(scratchPath("inspect-walk"));
    ASSERT_TRUE(QDir().mkpath(folder));
    PsdRecipe psd;
    psd.mode = 4;
    psd.channels = 4;
    psd.resolution = PsdRecipe::Resolution{118.11 * 2.54, 118.11 * 2.54, 2};
    psd.layers = 3;
    PsdRecipe psb = psd;
    psb.version = 2;
    BmpRecipe bmp;
    bmp.headerSize = 124;
    bmp.height = -13;
    bmp.xPerMetre = bmp.yPerMetre = 5906;
    ASSERT_TRUE(writeBytes((folder + "/a.psd").toStdString(), psdBytes(psd)));
    ASSERT_TRUE(writeBytes((folder + "/b.PSB").toStdString(), psdBytes(psb)));
    ASSERT_TRUE(writeBytes((folder + "/c.bmp").toStdString(), bmpBytes(bmp)));
    ASSERT_TRUE(writeBytes((folder + "/d.txt").toStdString(), Bytes{'B', 'M'}));

    const InspectRun run = inspect({folder});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, (folder + "/a.psd\t13\t20\t300\tCMYK\tDeviceCMYK\n"
                        + folder + "/b.PSB\t13\t20\t300\tCMYK\tDeviceCMYK\n"
                        + folder + "/c.bmp\t13\t20\t150\tRGB\tCalibratedRGB\n")
                           .toUtf8());
}

// JPEG 2000 and the Netpbm formats are read by the tool itself: with no
// loader helper to be found, each is still measured, and a folder walk
// takes every suffix they come with.
TEST(Inspect, MeasuresJpegTwoThousandAndNetpbmWithoutTheHelper)
{
    const QString folder = QString::fromStdString(scratchPath("inspect-jp2-netpbm"));
    ASSERT_TRUE(QDir().mkpath(folder));
    Jp2Recipe jp2;
    jp2.components = 4;
    jp2.enumeratedSpace = 12;
    jp2.capture = Jp2Recipe::Resolution{11811, 1, 11811, 1, 0, 0};
    Jp2Recipe j2k;
    j2k.components = 1;
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"/a.jp2", jp2Bytes(jp2)},
        {"/b.J2K", jp2Bytes(j2k, true)},
        {"/c.pbm", netpbmBytes("P1\n# made by hand\n21 13\n")},
        {"/d.pgm", netpbmBytes("P5 20 13 65535\n")},
        {"/e.ppm", netpbmBytes("P6 20 13 255\n")},
        {"/f.pnm", netpbmBytes("P6 20 13 255\n")},
        {"/g.pam", netpbmBytes("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n")},
        {"/h.jpf", jp2Bytes(jp2)},
    };
    for (const auto& f : files)
        ASSERT_TRUE(writeBytes((folder + f.name).toStdString(), f.bytes));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEL_LOADER"), QStringLiteral("/nonexistent/quorvel-loader"));

    const InspectRun run = inspect({folder}, environment);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, (folder + "/a.jp2\t13\t20\t300\tCMYK\tDeviceCMYK\n"
                        + folder + "/b.J2K\t13\t20\t72\tGrayscale\tCalibratedGray\n"
                        + folder + "/c.pbm\t13\t21\t72\tGrayscale\tCalibratedGray\n"
                        + folder + "/d.pgm\t13\t20\t72\tGrayscale\tCalibratedGray\n"
                        + folder + "/e.ppm\t13\t20\t72\tRGB\tCalibratedRGB\n"
                        + folder + "/f.pnm\t13\t20\t72\tRGB\tCalibratedRGB\n"
                        + folder + "/g.pam\t13\t20\t72\tRGB\tCalibratedRGB\n"
                        + folder + "/h.jpf\t13\t20\t300\tCMYK\tDeviceCMYK\n")
                           .toUtf8());
}

TEST(Inspect, NothingReadableStillListsEveryFileAndSaysSoInItsStatus)
{
    const InspectRun run = inspect({QStringLiteral("/dev/null"), QStringLiteral("/nowhere/missing.png")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out.count('\n'), 2);
}

TEST(Inspect, WithoutArgumentsPointsToHelpAndFails)
{
    const InspectRun run = inspect({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("--help")) << "points the user to the manual";
}

} // namespace
} // namespace quorvel::test
