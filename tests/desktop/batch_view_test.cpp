// The batch window's log.
#include "desktop/batch_view.h"
#include "document/batch_doc.h"

#include <QTextBlock>
#include <gtest/gtest.h>

namespace {

QStringList Lines(const CBatchView& view) {
    QStringList lines;
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

} // namespace

TEST(BatchView, ThreeFilesGiveThreeNumberedLinesInEveryView) {
    CBatchDoc doc;
    CBatchView first(&doc), second(&doc);
    first.OnInitialUpdate();
    second.OnInitialUpdate();
    doc.SetFileList({"/pics/a b.png", "/pics/c.bmp", "/other/d.jpg"});
    const QStringList expected = {"1: /pics/a b.png", "2: /pics/c.bmp", "3: /other/d.jpg", ""};
    EXPECT_EQ(Lines(first), expected); // the last line break leaves an empty last line
    EXPECT_EQ(Lines(second), expected);
    EXPECT_EQ(doc.m_fileList.size(), 3);
}
