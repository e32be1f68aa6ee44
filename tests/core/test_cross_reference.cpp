// SPDX-License-Identifier: MIT
// quillet-convert --xref and --check: line references and the variables
// MSX BASIC merges, from a program and from its listing alike (with CR LF
// or LF line ends).

#include "ConvertRunner.h"
#include "decoder/Tokenizer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// References before and after, ON ... GOTO lists, THEN and ELSE numbers, one
// missing line; COUNT, COLUMN and CO are one variable, and SCORE$ is
// stored SC OR E$, so it is SC and E$, apart from SC$. ON ERROR GOTO 0
// and RESUME 0 name no line, and PAGE after SET is no variable.
const std::string Listing = "10 GOTO 30\r\n"
                            "20 GOSUB 100:ON X GOTO 10,20,40\r\n"
                            "30 IF A THEN 10 ELSE 20\r\n"
                            "40 COUNT=1:COLUMN=2:SCORE$=\"A\":SC$=\"B\"\r\n"
                            "50 PRINT COUNT;CO:GOTO 100\r\n"
                            "60 ON ERROR GOTO 0:RESUME 0\r\n"
                            "70 SET PAGE 1,1:PA=2\r\n";

const std::string Xref = "10\t20 30\n"
                         "20\t20 30\n"
                         "30\t10\n"
                         "40\t20\n"
                         "100\t20 50\tmissing\n"
                         "\n"
                         "A\tA\t30\n"
                         "CO\tCOUNT COLUMN CO\t40 50\n"
                         "E$\tE$\t40\n"
                         "PA\tPA\t70\n"
                         "SC\tSC\t40\n"
                         "SC$\tSC$\t40\n"
                         "X\tX\t20\n";

const std::string Problems = "20: 100: no such line\n"
                             "40: COUNT and COLUMN are the same variable\n"
                             "50: 100: no such line\n"
                             "50: COUNT and CO are the same variable\n"
                             "50: COLUMN and CO are the same variable\n";

} // namespace

TEST(CrossReference, ProgramsAndListingsGiveTheSameReferencesAndProblems)
{
    ScratchDir dir;
    writeFile(dir / "game.asc", Listing);
    std::string lfOnly = Listing;
    std::erase(lfOnly, '\r');
    writeFile(dir / "lf.asc", lfOnly);
    writeFile(dir / "GAME.BAS", tokenizeListing(Listing));
    for (const char* name : {"game.asc", "lf.asc", "GAME.BAS"}) {
        SCOPED_TRACE(name);
        const std::string input = (dir / name).string();
        const ConvertResult xref = runConvert({"--xref", input, (dir / "xref.txt").string()});
        EXPECT_EQ(xref.status, cli::ExitOk) << xref.err;
        EXPECT_EQ(readFile(dir / "xref.txt"), Xref);
        const ConvertResult check = runConvert({"--check", input});
        EXPECT_EQ(check.status, cli::ExitFailed) << check.err;
        EXPECT_EQ(check.out, Problems);
        EXPECT_EQ(check.err, "");
    }
}

TEST(CrossReference, CheckingManyAndCrossReferencingInBatch)
{
    ScratchDir dir;
    writeFile(dir / "GAME.BAS", tokenizeListing(Listing));
    writeFile(dir / "good.asc", "10 GOTO 20\r\n20 A=1:AB=A\r\n");
    writeFile(dir / "PIC.SC5", hexBytes("FE 00 00 FF 69 00 00"));

    const ConvertResult good = runConvert({"--check", (dir / "good.asc").string()});
    EXPECT_EQ(good.status, cli::ExitOk);
    EXPECT_EQ(good.out, "");

    const ConvertResult many =
        runConvert({"--check", (dir / "good.asc").string(), (dir / "GAME.BAS").string(), (dir / "PIC.SC5").string()});
    EXPECT_EQ(many.status, cli::ExitFailed);
    EXPECT_TRUE(many.out.starts_with((dir / "GAME.BAS").string() + ": 20: 100: no such line\n")) << many.out;
    EXPECT_EQ(std::count(many.out.begin(), many.out.end(), '\n'), 5);
    EXPECT_NE(many.err.find("PIC.SC5: --check takes a program or a listing, not a BSAVE image"), std::string::npos)
        << many.err;

    // Names from a list alone: the list itself is no input.
    writeFile(dir / "list.txt", (dir / "GAME.BAS").string() + "\n");
    const ConvertResult listed = runConvert({"--check", "--from-file", (dir / "list.txt").string()});
    EXPECT_EQ(listed.status, cli::ExitFailed) << listed.err;
    EXPECT_EQ(listed.out, Problems);

    const ConvertResult batch =
        runConvert({"--xref", "--output-dir", (dir / "out").string(), (dir / "GAME.BAS").string()});
    EXPECT_EQ(batch.status, cli::ExitOk) << batch.err;
    EXPECT_EQ(readFile(dir / "out" / "GAME.xref.txt"), Xref);

    EXPECT_EQ(runConvert({"--xref", "--rtf", (dir / "GAME.BAS").string()}).status, cli::ExitUsage);
    EXPECT_EQ(runConvert({"--check", "--output-dir", (dir / "o").string(), (dir / "GAME.BAS").string()}).status,
              cli::ExitUsage);
}
