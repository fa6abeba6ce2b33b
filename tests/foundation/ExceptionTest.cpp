#include "foundation/Exception.h"
#include "foundation/DebugOutputStream.h"
#include "foundation/LexicalCast.h"
#include "foundation/Reporter.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <vector>

using TestSupport::StderrCapture;

namespace {

std::vector<std::string> g_pieces;
void collectPiece(const char* piece) {
    g_pieces.emplace_back(piece);
}

} // namespace

TEST(Exception, CreationWritesOneLineEvenWhenRethrown) {
    StderrCapture capture;
    try {
        try {
            throw Norq::XRegistryNotExistFailure("XRegistry: переменная с именем <Timeout> не "
                                                 "зарегистрированна.");
        } catch (const Norq::Exception&) {
            throw;
        }
    } catch (const std::exception& failure) {
        EXPECT_STREQ(failure.what(),
                     "XRegistry: переменная с именем <Timeout> не зарегистрированна.");
    }
    EXPECT_EQ(capture.text(), "Norq::Exception [XRegistry: переменная с именем <Timeout> не "
                              "зарегистрированна.]\n");
}

TEST(Exception, EveryFailureIsAStandardException) {
    StderrCapture quiet;
    const auto caughtAsStandard = [](auto&& thrower) {
        try {
            thrower();
        } catch (const std::exception&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(caughtAsStandard([] { throw Norq::ThreadFailure("x"); }));
    EXPECT_TRUE(caughtAsStandard([] { throw Norq::XRegistryVarCastFailure("x"); }));
    EXPECT_TRUE(caughtAsStandard([] { throw Norq::XRegistryEnrollFailure("x"); }));
    EXPECT_TRUE(caughtAsStandard([] { throw Norq::SaveLoad::Failure("x"); }));
}

TEST(DebugOutputStream, LongLineArrivesIn98CharacterPieces) {
    g_pieces.clear();
    const std::string message(250, 'm');
    {
        Norq::DebugOutputStream stream(&collectPiece);
        stream << "Norq::Exception [" << message << "]\n";
        stream.flush();
    }
    ASSERT_EQ(g_pieces.size(), 3u);
    EXPECT_EQ(g_pieces[0].size(), 98u);
    EXPECT_EQ(g_pieces[1].size(), 98u);
    EXPECT_EQ(g_pieces[2].size(), 73u);
    EXPECT_EQ(g_pieces[0] + g_pieces[1] + g_pieces[2], "Norq::Exception [" + message + "]\n");
}

TEST(DebugOutputStream, FlushPassesEvenAnEmptyPiece) {
    g_pieces.clear();
    Norq::DebugOutputStream stream(&collectPiece);
    stream.flush();
    stream << std::string(98, 'x');
    stream.flush();
    EXPECT_EQ(g_pieces, (std::vector<std::string>{"", std::string(98, 'x')}));
}

TEST(Reporter, WritesSourceMessageAndDetail) {
    StderrCapture capture;
    Norq::report("Scripts", "Invalid port", "pos 3:7");
    EXPECT_EQ(capture.text(), "Scripts: Invalid port $[pos 3:7]\n");
}

TEST(LexicalCast, ConvertsOnlyWholeTexts) {
    StderrCapture capture;
    EXPECT_EQ(Norq::lexicalCastOr<std::uint16_t>("995"), 995);
    EXPECT_EQ(Norq::lexicalCastOr<std::int32_t>("-300"), -300);
    EXPECT_EQ(Norq::lexicalCastOr<std::uint32_t>("4294967295"), 4294967295u);
    EXPECT_TRUE(Norq::lexicalCastOr<bool>("1"));
    EXPECT_EQ(capture.text(), "");

    EXPECT_EQ(Norq::lexicalCastOr<std::uint16_t>(""), 0);
    EXPECT_EQ(Norq::lexicalCastOr<std::uint16_t>(" 110"), 0);
    EXPECT_EQ(Norq::lexicalCastOr<std::uint16_t>("110 "), 0);
    EXPECT_EQ(Norq::lexicalCastOr<std::uint16_t>("70000"), 0);
    EXPECT_EQ(Norq::lexicalCastOr<std::int32_t>("12abc"), 0);
    EXPECT_EQ(Norq::lexicalCastOr<std::uint32_t>("x1"), 0u);
    EXPECT_FALSE(Norq::lexicalCastOr<bool>("true"));
    EXPECT_EQ(capture.text(), "Norq: wrong lexical cast to unsigned short $[]\n"
                              "Norq: wrong lexical cast to unsigned short $[ 110]\n"
                              "Norq: wrong lexical cast to unsigned short $[110 ]\n"
                              "Norq: wrong lexical cast to unsigned short $[70000]\n"
                              "Norq: wrong lexical cast to int $[12abc]\n"
                              "Norq: wrong lexical cast to unsigned int $[x1]\n"
                              "Norq: wrong lexical cast to bool $[true]\n");
}
