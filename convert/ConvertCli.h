// SPDX-License-Identifier: MIT
#pragma once
// quillet-convert: the command-line converter over the core library.

#include "common/ByteStream.h"
#include "container/Container.h"
#include "convert/OutputFile.h"
#include "document/CrossReference.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "image/BsaveConverter.h"
#include "render/HtmlListing.h"
#include "render/MsxCharset.h"
#include "render/RoleColours.h"
#include "render/RtfListing.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

enum ExitStatus { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// The commands that write disk and tape images.
enum class WriteCommand {
    None,
    NewDisk,     // --new-disk DISK [--size 720|360]: OUTPUT, a blank disk image
    Put,         // --put FILE... TARGET: `inputs` onto OUTPUT (DISK, DISK::FOLDER or TAPE)
    Delete,      // --delete IMAGE::NAME...: the members `inputs` name
    MakeFolder,  // --mkdir DISK::FOLDER...: the folders `inputs` name
    NewCassette, // --new-cas TAPE: OUTPUT, a blank tape
    Wav,         // --wav TAPE OUT [--baud 1200|2400]: INPUT as sound into OUTPUT
};

struct Options {
    bool rtf = false;                         // RTF listing instead of the ASCII listing
    bool kanji = false;                       // RTF in Kanji mode
    bool utf8 = false;                        // UTF-8 text instead of the ASCII listing (with tokenize: read)
    std::optional<msx::CharacterSet> charset; // of the UTF-8 text or the HTML page
    bool html = false;                        // --html: the listing as a web page
    std::optional<RoleScheme> colours;        // --colours: of the page (standard if none), or of the RTF
    bool tokenize = false;                    // a listing to the tokenized program
    bool xref = false;                        // --xref: the cross-reference of lines and variables
    bool check = false;                       // --check: references to missing lines, names taken as one
    bool hide65530 = false;                   // leave out lines numbered 65530 and above
    bool addresses = false;                   // start each line with its memory address
    std::optional<int> screen;                // screen mode of a BSAVE image
    bool png = false;                         // --png: the picture as PNG (also for OUTPUT *.png)
    std::optional<int> spriteSize;            // draw the sprites, of this SCREEN size (0 to 3)
    bool interlace = false;                   // --interlace: two pages of INPUT as one picture
    std::string palette;                      // --palette: a paint program's palette file
    std::optional<int> paletteIndex;          // --palette-index: which palette of a palette file (0 to 7)
    bool msx2Colours = false;                 // --msx2-colours: SCREEN 1 to 4 without a palette as on an MSX2
    bool list = false;                        // --list: the members of the container INPUT
    bool extractAll = false;                  // --extract-all: every member of INPUT into the folder OUTPUT
    std::string input;                        // a file, or a member path FILE::MEMBER...
    std::string output;                       // empty or "-": standard output
    std::string outputDir;                    // --output-dir: every input converted into this folder
    std::vector<std::string> inputs;          // with --output-dir: all of them, `input` being the first
    std::string fromFile;                     // --from-file: more inputs, a name a line ("-": standard input)
    WorkLimits limits;                        // of --list and --extract-all: --max-members, --max-total-size
    WriteCommand write = WriteCommand::None;  // a command that writes a disk or tape image
    int diskSize = 720;                       // --size: of --new-disk, in KB (720 or 360)
    int baud = 1200;                          // --baud: of --wav (1200 or 2400)
};

// Where one input of a batch goes: the folder's name for it without the
// extension, which follows from what the input turns out to be, and a check
// that throws when the finished name must not be written (it is an input).
struct BatchTarget {
    std::string stem;
    std::function<void(const std::string& path)> check;
};

// The extension of a batch's output for an input shown as `role`.
std::string_view batchExtension(const Options& options, DocumentRole role);

// Converts options.input to options.output, or for a batch to the target's
// name, replacing whatever has that name. Throws QuilletError or
// Unsupported; a file output is left untouched when it fails. Returns what
// the user is to be told of a conversion that succeeded: one line for each
// file beside a picture that was left out ("NAME: not used: why").
std::vector<std::string> convertFile(const Options& options, const BatchTarget* batch = nullptr);

// --output-dir: every input into the folder on all cores. Failures are told
// on `err`, one line each in the inputs' order; the exit status.
int convertAll(const Options& options, std::FILE* err);

// A request this build cannot carry out; ends with status 1.
class Unsupported : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the command line asks for besides a conversion.
enum class Asked { Conversion, Help, Version };

// Parses the arguments after the program name. Returns the options, or
// nullopt after writing a usage message to `err` (status 2) or when `asked`
// is Help or Version.
std::optional<Options> parseArguments(const std::vector<std::string>& args, std::FILE* err, Asked& asked);

// The file names of `options` (INPUT, OUTPUT, --palette, --output-dir), any
// of them a file URI, as the local names they stand for; a batch's inputs
// are left to convertAll, which names a refused one and goes on with the
// rest. Throws QuilletError naming the name refused.
void resolveLocalNames(Options& options);

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

std::string_view usageText();

// The converters behind the options; each writes nothing before it knows it
// can finish, and throws QuilletError or Unsupported on failure.
void writeRtfListing(const Options& options, std::string_view listing, ByteSink& out);
RtfListingOptions rtfListingOptions(const Options& options);
// The page of the listing `document` holds, which is read twice (a pipe
// through a temporary copy).
void writeHtmlListing(const Options& options, Opened& document, ByteSink& out);
HtmlListingOptions htmlListingOptions(const Options& options);
// The picture of a picture document with the options' mode, sprites,
// interlace and palette, and the files beside it left out.
PictureResult decodeImage(const Options& options, Opened& document, BsaveConverter& converter);
// Whether the picture is written as PNG: --png, or OUTPUT ending in .png.
bool writesPng(const Options& options);
// Whether a picture was asked for: --png, or OUTPUT ending in .png or .bmp.
bool asksForPicture(const Options& options);
// The program file for the listing `document` holds; `out` is opened only
// once the whole listing has been tokenized.
void writeTokenizedProgram(const Options& options, Opened& document, const std::string& out,
                           OutputPlacement placement = OutputPlacement::AsGiven);

// --xref into `output`, from the listing `document`.
void writeCrossReference(const Options& options, Opened& document, OutputFile& output);
// --check of every input: the problems on `out`, failures on `err`; status
// 1 when anything was printed.
int checkFiles(const Options& options, std::FILE* out, std::FILE* err);
// The inputs of a call of many: those given, then those named in the
// --from-file list, one a line ("-": standard input; empty lines name
// nothing). Nullopt after telling `err` why the list cannot be read.
std::optional<std::vector<std::string>> batchInputs(const Options& options, std::FILE* err);

// How quillet-convert reaches files: pipes and devices as they come, "-"
// for standard input.
const FileAccess& commandLineFiles();
// The container a file or member path names, opened with `budget`. Throws
// QuilletError.
std::unique_ptr<Container> openNamedContainer(const std::string& input, WorkBudget& budget);
// Damage of the container as a whole, one line each on `err`.
void printProblems(const Container& container, const std::string& name, std::FILE* err);
// Runs a container command; what stops it is told on `err` as
// "quillet-convert: INPUT: why". The command's exit status, or ExitFailed.
int runContainerCommand(const Options& options, std::FILE* err, const std::function<int()>& command);
// --list and --extract-all; they write their messages to `err` and return
// the exit status.
int listMembers(const Options& options, std::FILE* out, std::FILE* err);
int extractAllMembers(const Options& options, std::FILE* err);

// The commands that write images, and --wav; they write their messages
// to `err` and return the exit status. An image is changed whole or not at
// all.
int runWriteCommand(const Options& options, std::FILE* err);

} // namespace quillet::cli
