// The parts of a firmware file name and the revision it carries.
#include "firmware/RevisionedFileName.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const wchar_t* path;
    const wchar_t* fileName;
    const wchar_t* extension;
    const wchar_t* title;
    uint16_t revision;
};

const NameCase kNameCases[] = {
    {L"qmcu0112.hex", L"qmcu0112.hex", L".hex", L"qmcu0112", 112},
    {L"qmcu12a.hex", L"qmcu12a.hex", L".hex", L"qmcu12a", 12},
    {L"qmcu1.2.hex", L"qmcu1.2.hex", L".hex", L"qmcu1.2", 2},
    {L"qmcu70000.hex", L"qmcu70000.hex", L".hex", L"qmcu70000", 4464},
    {L"qmcu99999999999999999999.hex", L"qmcu99999999999999999999.hex", L".hex", L"qmcu99999999999999999999", 65535},
    {L"qmcu.hex", L"qmcu.hex", L".hex", L"qmcu", 0},
    {L"0112.hex", L"0112.hex", L".hex", L"0112", 0},
    {L"12qmcu.hex", L"12qmcu.hex", L".hex", L"12qmcu", 0},
    {L"a7.hex", L"a7.hex", L".hex", L"a7", 7},
    {L"qmcu0112", L"qmcu0112", L"", L"qmcu0112", 112},
    {L"C:\\fw\\qmcu0113.HEX", L"qmcu0113.HEX", L".HEX", L"qmcu0113", 113},
    {L"/home/u/fw2/qmcu.hex", L"qmcu.hex", L".hex", L"qmcu", 0},
    {L"C:\\v1.5\\qmcu0112", L"qmcu0112", L"", L"qmcu0112", 112},
    {L"C:qmcu0114B.hex", L"qmcu0114B.hex", L".hex", L"qmcu0114B", 114},
    {L"mixed/sep\\qmcu0115.hex.txt", L"qmcu0115.hex.txt", L".txt", L"qmcu0115.hex", 115},
    {L"C:\\folder\\", L"", L"", L"", 0},
    {L"", L"", L"", L"", 0},
};

TEST(RevisionedFileName, SplitsThePathAndReadsTheLastDigitRunOfTheTitle)
{
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(testing::Message() << "path index " << (&c - kNameCases));
        CRevisionedFileName name(c.path);
        EXPECT_EQ(name.GetPath(), c.path);
        EXPECT_EQ(name.GetFileName(), c.fileName);
        EXPECT_EQ(name.GetExtension(), c.extension);
        EXPECT_EQ(name.GetTitle(), c.title);
        EXPECT_EQ(name.GetRevision(), c.revision);
    }
}

TEST(RevisionedFileName, CopiesBothFieldsAndClearsToNoFile)
{
    CRevisionedFileName original(L"/fw/qmcu0112.hex");
    CRevisionedFileName copy = original;
    EXPECT_EQ(copy, original);
    EXPECT_EQ(copy.GetRevision(), 112);
    EXPECT_FALSE(copy.IsEmpty());

    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.GetPath(), L"");
    EXPECT_EQ(copy.GetRevision(), 0);
    EXPECT_EQ(copy, CRevisionedFileName{});
    EXPECT_NE(copy, original);
    EXPECT_EQ(original.GetRevision(), 112);
}

} // namespace
