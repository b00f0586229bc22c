// spritewright-cli: the command-line front end, one verb per conversion.

#include "CliVerbs.h"

#include <iostream>
#include <string_view>

namespace {

struct Verb {
    std::string_view name;
    int (*run)(cli::Args);
};

constexpr Verb kVerbs[] = {
    {"info", cli::RunInfo},
    {"new", cli::RunNew},
    {"resave", cli::RunResave},
    {"edit", cli::RunEdit},
};

constexpr std::string_view kHelp = R"(Usage: spritewright-cli VERB ARGUMENTS...

Reads, writes and converts DC6 sprites.

Verbs:
  info FILE.dc6...
      Prints each sprite's directions, frames per direction and termination
      bytes, then one line per frame: direction, frame, width, height and
      drawing offsets.
  info --json FILE.dc6
      Prints one JSON object: directions, framesPerDirection, termination
      (8 hex digits) and frames, in flat order (direction-major), each with
      direction, frame, width, height, offsetX, offsetY, flip, reserved,
      length (encoded bytes in the file) and pixelsCrc32 (CRC-32 of the
      decoded pixels, bottom row first).
  new OUT.dc6 [--directions D] [--frames F]
      Writes a new sprite of D directions with F frames each (default 1 and
      1), every frame a blank 10 x 10 picture.
  resave IN.dc6 OUT.dc6
      Reads IN and writes it again as OUT, in the layout this program writes.
  edit IN.dc6 -o OUT.dc6 OPERATION...
      Applies the operations in the order given and writes the result to
      OUT; when any of them cannot be done, nothing is written.
        --add-direction         a direction of blank frames at the end
        --insert-direction D    a direction of blank frames becomes direction D
        --delete-direction D    deletes direction D
        --add-frame             a blank frame at the end of every direction
        --insert-frame F        a blank frame becomes frame F of every direction
        --delete-frame F        deletes frame F of every direction
        --offset D:F:X:Y        sets the drawing offsets of frame F of direction D
      Directions and frames are counted from 0; a sprite keeps at least one
      direction and one frame.

Exit status: 0 on success, 1 when a file cannot be read or written (the
reason is printed on stderr), 2 when the arguments make no command.
)";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return cli::UsageError("no verb given");
    const std::string_view verb = argv[1];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        std::cout << kHelp;
        return cli::kOk;
    }
    for (const Verb& v : kVerbs) {
        if (v.name == verb)
            return v.run(cli::Args(argv + 2, argv + argc));
    }
    return cli::UsageError("unknown verb \"" + std::string(verb) + "\"");
}
