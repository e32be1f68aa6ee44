// SPDX-License-Identifier: MIT
// quillet-convert --output-dir: many inputs in one call, each written as
// its own conversion would write it, failures told and passed over, names
// that would clash kept apart, and nothing written outside the folder.

#include "ConvertRunner.h"
#include "convert/ConvertCli.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

// What a single conversion of `input` with `options` writes.
std::string single(const ScratchDir& dir, std::vector<std::string> options, const std::string& input,
                   const std::string& name)
{
    const fs::path out = dir / ("single-" + name);
    options.push_back(input);
    options.push_back(out.string());
    const ConvertResult result = runConvert(options);
    EXPECT_EQ(result.status, cli::ExitOk) << input << ": " << result.err;
    return readFile(out);
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

} // namespace

TEST(ConvertBatch, EachOutputIsWhatItsOwnConversionWrites)
{
    ScratchDir dir;
    fs::create_directory(dir / "in");
    const std::string program = readFile(samplePath("sample.bas"));
    writeFile(dir / "in" / "GAME.BAS", program);
    writeFile(dir / "in" / "notes.txt", "10 PRINT \"\xB1\x01\x41\"\r\n");
    writeFile(dir / "in" / "title.sc5", readFile(samplePath("sample.sc5")));
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "DISK.BAS", program);
    writeFile(dir / "in" / "disk.dsk", disk.bytes());
    const std::vector<std::string> inputs = {(dir / "in" / "GAME.BAS").string(), (dir / "in" / "notes.txt").string(),
                                             (dir / "in" / "title.sc5").string(),
                                             (dir / "in" / "disk.dsk").string() + "::DIR/DISK.BAS"};

    struct Form {
        std::vector<std::string> options;
        std::string listing, picture;
    };
    for (const Form& form : {Form{{}, ".asc", ".bmp"}, Form{{"--rtf", "--png"}, ".rtf", ".png"},
                             Form{{"--utf8", "--charset", "intl"}, ".txt", ".bmp"},
                             Form{{"--rtf", "--kanji", "--hide-65530", "--addresses"}, ".rtf", ".bmp"}}) {
        const fs::path out = dir / "out";
        fs::remove_all(out);
        const ConvertResult result = runConvert(with(with(form.options, {"--output-dir", out.string()}), inputs));
        ASSERT_EQ(result.status, cli::ExitOk) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(namesIn(out), (std::vector<std::string>{"DISK" + form.listing, "GAME" + form.listing,
                                                          "notes" + form.listing, "title" + form.picture}));
        // Each option goes to the inputs it concerns: no picture option on
        // a single listing, no listing option on a single picture.
        std::vector<std::string> listingOptions, pictureOptions;
        for (const std::string& option : form.options)
            (option == "--png" ? pictureOptions : listingOptions).push_back(option);
        EXPECT_EQ(readFile(out / ("GAME" + form.listing)), single(dir, listingOptions, inputs[0], "game"));
        EXPECT_EQ(readFile(out / ("notes" + form.listing)), single(dir, listingOptions, inputs[1], "notes"));
        EXPECT_EQ(readFile(out / ("title" + form.picture)),
                  single(dir, pictureOptions, inputs[2], "title" + form.picture));
        EXPECT_EQ(readFile(out / ("DISK" + form.listing)), single(dir, listingOptions, inputs[3], "disk"));
    }

    // Listings to tokenized programs.
    const fs::path out = dir / "tokenized";
    writeFile(dir / "in" / "typed.asc", "10 PRINT \"HI\"\r\n20 GOTO 10\r\n");
    ASSERT_EQ(runConvert({"--tokenize", "--output-dir", out.string(), (dir / "in" / "typed.asc").string()}).status,
              cli::ExitOk);
    EXPECT_EQ(readFile(out / "typed.bas"), single(dir, {"--tokenize"}, (dir / "in" / "typed.asc").string(), "bas"));
}

TEST(ConvertBatch, AFailingInputIsToldAndTheOthersStillConvert)
{
    ScratchDir dir;
    writeFile(dir / "a.bas", readFile(samplePath("sample.bas")));
    // A picture of a screen mode that has none (a program lists whatever
    // its bytes, as MSX BASIC does).
    writeFile(dir / "bad.sc9", hexBytes("FE 00 00 00 00 00 00 11 22"));
    writeFile(dir / "z.txt", "10 END\r\n");
    fs::create_directory(dir / "folder");
    const fs::path out = dir / "out";
    const ConvertResult result =
        runConvert({"--output-dir", out.string(), (dir / "a.bas").string(), (dir / "missing.bas").string(),
                    (dir / "bad.sc9").string(), (dir / "folder").string(), (dir / "z.txt").string()});
    EXPECT_EQ(result.status, cli::ExitFailed);
    // One line each, in the order given, whichever worker finished first.
    const std::string prefix = "quillet-convert: ";
    const std::vector<std::string> expectedStarts = {prefix + (dir / "missing.bas").string() + ": ",
                                                     prefix + (dir / "bad.sc9").string() + ": ",
                                                     prefix + (dir / "folder").string() + ": "};
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = result.err.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(result.err.substr(start, end - start));
    ASSERT_EQ(lines.size(), expectedStarts.size()) << result.err;
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].starts_with(expectedStarts[i])) << lines[i];
    EXPECT_NE(lines[1].find("SCREEN 9"), std::string::npos) << lines[1];
    // The picture that cannot be made leaves nothing.
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"a.asc", "z.asc"}));
    EXPECT_EQ(readFile(out / "z.asc"), "10 END\r\n");

    // A folder that cannot be made fails the whole call, saying why.
    writeFile(dir / "file", "");
    const ConvertResult noFolder = runConvert({"--output-dir", (dir / "file").string(), (dir / "a.bas").string()});
    EXPECT_EQ(noFolder.status, cli::ExitFailed);
    EXPECT_TRUE(noFolder.err.starts_with(prefix + (dir / "file").string() + ": ")) << noFolder.err;
}

TEST(ConvertBatch, InputsOfOneNameAreKeptApartInTheOrderGiven)
{
    ScratchDir dir;
    for (const char* folder : {"one", "two", "three"})
        fs::create_directory(dir / folder);
    writeFile(dir / "one" / "GAME.BAS", "10 ONE\r\n");
    writeFile(dir / "two" / "GAME.BAS", "10 TWO\r\n");
    writeFile(dir / "three" / "game.txt", "10 THREE\r\n"); // the same name to a folder that ignores case
    writeFile(dir / "GAME~2.BAS", "10 FOUR\r\n");          // the name the second one would take
    const fs::path out = dir / "out";
    const std::vector<std::string> args = {
        "--output-dir",
        out.string(),
        (dir / "one" / "GAME.BAS").string(),
        (dir / "two" / "GAME.BAS").string(),
        (dir / "three" / "game.txt").string(),
        (dir / "GAME~2.BAS").string(),
    };
    // Twice: the second call replaces the first's files under the same names.
    for (int round = 0; round < 2; ++round) {
        const ConvertResult result = runConvert(args);
        ASSERT_EQ(result.status, cli::ExitOk) << result.err;
        EXPECT_EQ(namesIn(out), (std::vector<std::string>{"GAME.asc", "GAME~2.asc", "GAME~2~2.asc", "game~3.asc"}));
        EXPECT_EQ(readFile(out / "GAME.asc"), "10 ONE\r\n");
        EXPECT_EQ(readFile(out / "GAME~2.asc"), "10 TWO\r\n");
        EXPECT_EQ(readFile(out / "game~3.asc"), "10 THREE\r\n");
        EXPECT_EQ(readFile(out / "GAME~2~2.asc"), "10 FOUR\r\n");
    }
}

TEST(ConvertBatch, NothingIsWrittenOutsideTheFolder)
{
    ScratchDir dir;
    fs::create_directory(dir / "out");
    writeFile(dir / "GAME.BAS", readFile(samplePath("sample.bas")));
    writeFile(dir / "outside.asc", "keep");
    // A link planted under the output's name is replaced, not written through.
    fs::create_symlink(dir / "outside.asc", dir / "out" / "GAME.asc");
    // A member whose path climbs is named by its last step.
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "UP.BAS", readFile(samplePath("sample.bas")));
    writeFile(dir / "disk.dsk", disk.bytes());
    const ConvertResult result = runConvert({"--output-dir", (dir / "out").string(), (dir / "GAME.BAS").string(),
                                             (dir / "disk.dsk").string() + "::UP.BAS", "../../x/.."});
    EXPECT_EQ(result.status, cli::ExitFailed) << "the last input does not exist";
    EXPECT_EQ(readFile(dir / "outside.asc"), "keep");
    EXPECT_FALSE(fs::is_symlink(dir / "out" / "GAME.asc"));
    EXPECT_EQ(readFile(dir / "out" / "GAME.asc"), readFile(sourceDir() / "tests/data/sample.bas.listing"));
    EXPECT_EQ(namesIn(dir / "out"), (std::vector<std::string>{"GAME.asc", "UP.asc"}));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"GAME.BAS", "disk.dsk", "out", "outside.asc"}));

    // An output that would replace one of the inputs is refused, and the
    // input stays as it was.
    writeFile(dir / "out" / "notes.txt", "10 NOTE\r\n");
    const fs::path notes = dir / "out" / "notes.txt";
    const ConvertResult self = runConvert({"--utf8", "--output-dir", (dir / "out").string(), notes.string()});
    EXPECT_EQ(self.status, cli::ExitFailed);
    EXPECT_NE(self.err.find("is one of the inputs"), std::string::npos) << self.err;
    EXPECT_EQ(readFile(notes), "10 NOTE\r\n");
}

TEST(ConvertBatch, WrongArgumentsGiveStatusTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--output-dir"},
             {"--output-dir", "out"},
             {"--output-dir", "out", "-"},
             {"--output-dir", "out", "--list", "a.dsk"},
             {"--output-dir", "out", "--extract-all", "a.dsk", "b"},
             {"--output-dir", "out", "--tokenize", "--png", "a.asc"},
             {"--from-file", "list", "a.bas"},
             {"--output-dir", "out", "--from-file"},
         }) {
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitUsage) << args.back();
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
}

TEST(ConvertBatch, InputsMayComeFromAFileOfNames)
{
    ScratchDir dir;
    const std::string program = hexBytes("FF 09 80 0A 00 91 20 22 48 49 22 00 00 00 # 10 PRINT \"HI\"");
    for (const char* name : {"a.bas", "b.bas", "c d.bas"})
        writeFile(dir / name, program);
    // One name a line, blanks kept inside a name, empty lines naming nothing.
    writeFile(dir / "list", (dir / "b.bas").string() + "\n\n" + (dir / "c d.bas").string());
    const fs::path out = dir / "out";
    const ConvertResult listed =
        runConvert({"--output-dir", out.string(), (dir / "a.bas").string(), "--from-file", (dir / "list").string()});
    EXPECT_EQ(listed.status, cli::ExitOk) << listed.err;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(out))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"a.asc", "b.asc", "c d.asc"}));
    EXPECT_EQ(readFile(out / "c d.asc"), readFile(out / "a.asc"));

    const ConvertResult missing = runConvert({"--output-dir", out.string(), "--from-file", (dir / "no-list").string()});
    EXPECT_EQ(missing.status, cli::ExitFailed);
    EXPECT_NE(missing.err.find("no-list: no such file"), std::string::npos) << missing.err;
}
