#pragma once

// The test build of the loader helper (quorvel-loader-test), whose trigger
// files make its children crash, hang, lie or probe their confinement, in
// place of the real helper for the duration of a test.

#include "platform/header/ImageFileReader.h"
#include "platform/loader/LoaderClient.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace quorvel::test {

// The build's test helper, or its copy where the test runs as a user who
// cannot reach the build (as_ordinary_user.sh).
inline const char* loaderTestBinary()
{
    const char* copy = std::getenv("QUORVEL_TEST_LOADER_BINARY");
    return copy && *copy ? copy : QUORVEL_LOADER_TEST_BINARY;
}

class TestBuildOfHelper : public ::testing::Test {
protected:
    void SetUp() override
    {
        using namespace std::chrono_literals;
        ASSERT_TRUE(dir.isValid());
        const char* usual = std::getenv("QUORVEL_LOADER");
        m_usual = usual ? usual : "";
        ::setenv("QUORVEL_LOADER", loaderTestBinary(), 1);
        platform::loader::stopIdleHelpers();
        // Far beyond any good file's time with both cores busy under a
        // sanitizer; the tests of time-outs shorten them around the files
        // that never answer.
        platform::loader::setHelperTimeouts({30000ms, 30000ms});
    }

    void TearDown() override
    {
        if (m_usual.empty())
            ::unsetenv("QUORVEL_LOADER");
        else
            ::setenv("QUORVEL_LOADER", m_usual.c_str(), 1);
        platform::loader::stopIdleHelpers();
        platform::loader::setHelperTimeouts({});
    }

    std::string file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return QFile::encodeName(path).toStdString();
    }

    // A drawing of 12 x 10: a format that only the helper reads, the
    // measure and the preview alike.
    std::string goodFile(const QString& name)
    {
        return file(name, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"12\" height=\"10\">"
                          "<rect width=\"12\" height=\"10\" fill=\"red\"/></svg>");
    }

    QTemporaryDir dir;
    platform::ImageFileReader reader;

private:
    std::string m_usual;
};

} // namespace quorvel::test
