// The last standard-error message kept for a listener: messages end at
// standard output, nested listeners, and the one-line form of a message.
#include "core/error_note.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void err(const char *text)
{
    errorNoteKeep(text, (int)strlen(text));
}

void out(const char *text)
{
    errorNoteBreak(text, (int)strlen(text));
}

TEST(ErrorNote, AMessageIsTheStretchOfStandardErrorAfterTheLastOutput)
{
    errorNoteListen();
    err("Warning: early\n");
    out("listing\n");
    err("Error in open a.img.\n");
    err("Open image file error\n");
    out("\n");  /* a blank line ends nothing */
    EXPECT_EQ(std::string("Error in open a.img. Open image file error"), errorNoteMessage());
    EXPECT_EQ(std::string("Open image file error"), errorNoteLast());
    errorNoteStop();
}

TEST(ErrorNote, LinesJoinAfterPunctuationOrWithAColonAndOnlyTheLastFourStay)
{
    errorNoteListen();
    err("one\ntwo\n  three.\nfour\nfive\n");
    EXPECT_EQ(std::string("two: three. four: five"), errorNoteMessage());
    errorNoteStop();
}

TEST(ErrorNote, AnInnerListenerHearsItsOwnAndTheOuterOneHearsAll)
{
    errorNoteListen();
    err("outer reason\n");
    errorNoteListen();
    EXPECT_EQ(std::string(""), errorNoteMessage());
    err("inner reason\n");
    EXPECT_EQ(std::string("inner reason"), errorNoteMessage());
    errorNoteStop();
    EXPECT_EQ(std::string("outer reason: inner reason"), errorNoteMessage());
    errorNoteStop();
    EXPECT_EQ(std::string(""), errorNoteMessage());
}

} // namespace
