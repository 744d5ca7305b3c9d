#include "app/InspectorFixture.h"

namespace quorvel::test {
namespace {

class Batch : public InspectorFixture {
protected:
    QStringList images(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths << image(QStringLiteral("image %1.png").arg(i + 1), {.width = 10 + i});
        return paths;
    }
    void expectButtons(bool navigation, bool batch)
    {
        EXPECT_EQ(ui()->prevButton->isEnabled(), navigation);
        EXPECT_EQ(ui()->nextButton->isEnabled(), navigation);
        EXPECT_EQ(ui()->modifyButton->isEnabled(), batch);
        EXPECT_EQ(ui()->reportButton->isEnabled(), batch);
    }
};

enum class Entry { Drop, OpenWithApplication };

class BatchEntries : public Batch, public ::testing::WithParamInterface<Entry> {
protected:
    void enter(const QStringList& files)
    {
        if (GetParam() == Entry::Drop)
            info->createFromDragAndDrop(files);
        else
            info->applicationOpenFiles(files);
    }
};

TEST_P(BatchEntries, OneFileHasNoCounterAndNoNavigation)
{
    enter(images(1));
    expectButtons(false, true);
    EXPECT_EQ(ui()->myCount->text(), QString());
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 1.png"));
}

TEST_P(BatchEntries, ANewBatchReplacesTheOldOneAndStartsAtItsFirstFile)
{
    const QStringList five = images(5);
    enter(five);
    for (int i = 0; i < 4; ++i)
        info->nextImage();
    ASSERT_EQ(ui()->myCount->text(), QStringLiteral("5/5"));

    const QStringList two{five.at(3), five.at(1)};
    enter(two);
    EXPECT_EQ(info->nomideifiles(), two);
    EXPECT_EQ(info->totale(), 2);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/2"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 4.png"));
    expectButtons(true, true);
    info->prevImage();
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 2.png"));
}

TEST_P(BatchEntries, AnEmptyListChangesNothing)
{
    enter(images(3));
    info->nextImage();
    enter({});
    EXPECT_EQ(info->totale(), 3);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("2/3"));
}

INSTANTIATE_TEST_SUITE_P(, BatchEntries, ::testing::Values(Entry::Drop, Entry::OpenWithApplication));

TEST_F(Batch, NextAndPreviousWrapAround)
{
    info->createFromDragAndDrop(images(3));
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/3"));
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        info->nextImage();
        seen << ui()->myCount->text();
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("2/3"), QStringLiteral("3/3"), QStringLiteral("1/3")}));
    info->prevImage();
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("3/3"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 3.png"));
}

TEST_F(Batch, OnlyADropSwitchesToTheInspectorTab)
{
    ui()->tabelleVista->setCurrentIndex(0);
    info->applicationOpenFiles(images(2));
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 0);
    info->createFromDragAndDrop(images(2));
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 1);
}

TEST_F(Batch, NavigationWithoutABatchDoesNothing)
{
    info->nextImage();
    info->prevImage();
    info->reCheckImage();
    EXPECT_FALSE(info->hasBatch());
    EXPECT_TRUE(ui()->myCount->text().isEmpty());
}

} // namespace
} // namespace quorvel::test
