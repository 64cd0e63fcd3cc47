#include "task/profilefile.h"

#include <gtest/gtest.h>

namespace {

TProfileFile Profile(const QByteArray& bytes) { return TProfileFile(QStringLiteral("unused.ini"), bytes); }

} // namespace

TEST(ProfileFile, WritesIntoANewFileSectionBySection)
{
    TProfileFile ini = Profile(QByteArray());
    ini.WriteString(QStringLiteral("A"), QStringLiteral("k1"), QStringLiteral("v1"));
    ini.WriteBool(QStringLiteral("A"), QStringLiteral("k2"), true);
    ini.WriteInteger(QStringLiteral("B"), QStringLiteral("k3"), -42);
    ini.WriteBool(QStringLiteral("A"), QStringLiteral("k4"), false);
    EXPECT_EQ(ini.Bytes(), QByteArray("[A]\r\nk1=v1\r\nk2=1\r\nk4=0\r\n[B]\r\nk3=-42\r\n"));
}

TEST(ProfileFile, ReplacesOrAppendsAndLeavesOtherLinesAlone)
{
    const QByteArray original = "; comment\n"
                                "[General]\n"
                                "  TASKNAME = old  \n"
                                "Unknown=keep me\n"
                                "\n"
                                "[other]\r"
                                "x=1\r"
                                "[general]\r\n"
                                "TaskName=second section is never used\r\n";
    TProfileFile ini = Profile(original);
    EXPECT_EQ(ini.ReadString(QStringLiteral("general"), QStringLiteral("taskname")), QStringLiteral("old"));

    ini.WriteString(QStringLiteral("General"), QStringLiteral("TaskName"), QStringLiteral("new"));
    ini.WriteString(QStringLiteral("General"), QStringLiteral("TaskDir"), QStringLiteral("/d"));
    ini.WriteString(QStringLiteral("Other"), QStringLiteral("y"), QStringLiteral("2"));
    ini.WriteString(QStringLiteral("Third"), QStringLiteral("z"), QStringLiteral("3"));
    // The key keeps its spelling and the line its own line end; the new key goes after the last
    // non-blank line of the section, before the blank separator line.
    EXPECT_EQ(ini.Bytes(), QByteArray("; comment\n"
                                      "[General]\n"
                                      "TASKNAME=new\n"
                                      "Unknown=keep me\n"
                                      "TaskDir=/d\r\n"
                                      "\n"
                                      "[other]\r"
                                      "x=1\r"
                                      "y=2\r\n"
                                      "[general]\r\n"
                                      "TaskName=second section is never used\r\n"
                                      "[Third]\r\n"
                                      "z=3\r\n"));
}

TEST(ProfileFile, EndsAnUnterminatedLastLineBeforeAddingLines)
{
    TProfileFile ini = Profile("[A]\nk=1");
    ini.WriteString(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("2"));
    EXPECT_EQ(ini.Bytes(), QByteArray("[A]\nk=1\r\n[B]\r\nk=2\r\n"));

    TProfileFile replaced = Profile("[A]\nk=1");
    replaced.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("9"));
    EXPECT_EQ(replaced.Bytes(), QByteArray("[A]\nk=9"));
}

TEST(ProfileFile, ReadsValuesTrimmedUnquotedAndCut)
{
    const QString longValue(3000, QChar(u'v'));
    TProfileFile ini = Profile(QByteArray("[S]\n"
                                          "blanks= \t a b \t\n"
                                          "dq=\"  quoted  \"\n"
                                          "sq='x'\n"
                                          "twice=\"\"x\"\"\n"
                                          "half=\"x\n"
                                          "lone=\"\n"
                                          "inner=a\"b\"\n"
                                          "empty=\n"
                                          "eq=a=b=c\n"
                                          "novalue\n"
                                          "long=")
                               + longValue.toUtf8() + "\n");
    const QString s = QStringLiteral("S");
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("blanks")), QStringLiteral("a b"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("dq")), QStringLiteral("  quoted  "));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("sq")), QStringLiteral("x"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("twice")), QStringLiteral("\"x\""));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("half")), QStringLiteral("\"x"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("lone")), QStringLiteral("\""));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("inner")), QStringLiteral("a\"b\""));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("empty"), QStringLiteral("def")), QString());
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("eq")), QStringLiteral("a=b=c"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("novalue"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("long")), longValue.left(2047));
    EXPECT_EQ(ini.ReadString(s, QStringLiteral("missing"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Nope"), QStringLiteral("blanks"), QStringLiteral("def")),
              QStringLiteral("def"));
}

TEST(ProfileFile, ParsesIntegersAndFlags)
{
    struct Row { const char* value; qint32 expected; };
    const Row rows[] = {
        {"42", 42},          {" 7 ", 7},           {"-3", -3},        {"+5", 5},
        {"0x0A", 10},        {"0XfF", 255},        {"0x", -1},        {"0x0G", -1},
        {"ten", -1},         {"12abc", -1},        {"", -1},          {"-", -1},
        {"2147483647", 2147483647},                {"2147483648", -1},
        {"-2147483648", -2147483647 - 1},          {"0xFFFFFFFF", -1}, {"0x7FFFFFFF", 2147483647},
        {"0x100000000", -1}, {"\"12\"", 12},       {"1 2", -1},       {"$10", -1},
    };
    for (const Row& row : rows) {
        TProfileFile ini = Profile(QByteArray("[S]\nk=") + row.value + "\n");
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), -1), row.expected) << row.value;
    }
    TProfileFile flags = Profile("[S]\nzero=0\ntwo=2\nyes=yes\n");
    EXPECT_FALSE(flags.ReadBool(QStringLiteral("S"), QStringLiteral("zero"), true));
    EXPECT_TRUE(flags.ReadBool(QStringLiteral("S"), QStringLiteral("two"), false));
    EXPECT_TRUE(flags.ReadBool(QStringLiteral("S"), QStringLiteral("yes"), true));
    EXPECT_FALSE(flags.ReadBool(QStringLiteral("S"), QStringLiteral("yes"), false));
    EXPECT_TRUE(flags.ReadBool(QStringLiteral("S"), QStringLiteral("missing"), true));
}

TEST(ProfileFile, ValueWithLineBreaksCannotPlantKeys)
{
    TProfileFile ini = Profile("[S]\nk=1\n");
    ini.WriteString(QStringLiteral("S"), QStringLiteral("name"), QStringLiteral("x\r\n[S]\r\nk=2"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 0), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("name")), QStringLiteral("x  [S]  k=2"));
}

TEST(ProfileFile, AValueStartingWithU_FEFFReadsBackWhole)
{
    // Only the file's own first bytes can be a byte-order mark; inside a value it is a character.
    const QString value = QChar(0xFEFF) + QStringLiteral("[Main]");
    TProfileFile ini = Profile(QByteArray("\xEF\xBB\xBF[S]\r\nk=1\r\n"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("name"), value);
    ini.WriteContinuedString(QStringLiteral("S"), QStringLiteral("more"), {value, value},
                             [](const QString&) { return true; });
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("name")), value);
    EXPECT_EQ(ini.ReadContinuedString(QStringLiteral("S"), QStringLiteral("more"), [](const QString&) { return true; }),
              (QStringList{value, value}));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 0), 1);
    EXPECT_TRUE(ini.Bytes().startsWith("\xEF\xBB\xBF[S]\r\n"));
}

TEST(ProfileFile, ContinuedValueStopsAtKnownKeysSectionsAndComments)
{
    auto known = [](const QString& name) { return name.compare(QStringLiteral("next"), Qt::CaseInsensitive) == 0; };
    TProfileFile ini = Profile("[S]\n"
                               "list=one\n"
                               "two?a=b\n"
                               "\n"
                               "  three  \n"
                               "\n"
                               "NEXT=1\n"
                               "[T]\n"
                               "list=a\n"
                               "b\n"
                               "; note\n"
                               "c\n");
    EXPECT_EQ(ini.ReadContinuedString(QStringLiteral("S"), QStringLiteral("list"), known),
              (QStringList{"one", "two?a=b", "", "three"}));
    EXPECT_EQ(ini.ReadContinuedString(QStringLiteral("T"), QStringLiteral("list"), known), (QStringList{"a", "b"}));
    EXPECT_TRUE(ini.ReadContinuedString(QStringLiteral("T"), QStringLiteral("none"), known).isEmpty());

    // Rewriting replaces the old continuation lines but keeps the blank line before NEXT.
    ini.WriteContinuedString(QStringLiteral("S"), QStringLiteral("list"), {QStringLiteral("x"), QStringLiteral("y")},
                             known);
    EXPECT_TRUE(ini.Bytes().startsWith("[S]\nlist=x\r\ny\n\nNEXT=1\n[T]\n"));
}
