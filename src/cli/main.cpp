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
    {"repair", cli::RunRepair},
    {"edit", cli::RunEdit},
    {"replace-index", cli::RunReplaceIndex},
    {"import", cli::RunImport},
    {"export-frame", cli::RunExportFrame},
    {"sheet", cli::RunSheet},
    {"export-all", cli::RunExportAll},
    {"build", cli::RunBuild},
    {"palettes", cli::RunPalettes},
    {"palette", cli::RunPalette},
    {"export-sheet", cli::RunExportSheet},
    {"import-sheet", cli::RunImportSheet},
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
  repair IN.dc6 -o OUT.dc6
      Writes a conforming copy of a sprite that differs from the format only
      in its header's flags field (some other DC6 writers leave 0 there,
      where the format wants 1) and says what it set right. Any other fault
      fails with the reader's message.
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
  replace-index IN.dc6 -o OUT.dc6 --from A --to B [--direction D] [--frame F]
      Every pixel of palette index A becomes index B (0 to 255) and the
      sprite is written to OUT: in frame F of direction D, in every frame
      of direction D (without --frame), in frame F of every direction
      (without --direction) or in the whole sprite (without either). Says
      how many pixels changed in how many frames.
  import IN.dc6 IMAGE -o OUT.dc6 [--direction D] [--frame F] [--palette P]
         [--split|--no-split] [--all-gif-images insert|overwrite|no]
      Writes IMAGE (BMP, GIF, JPG, TIF, PCX or PNG) into frame F of
      direction D (default 0 and 0) and saves the sprite as OUT. Colours are
      matched to palette P (see PALETTES below; default: the catalogue's
      first palette). Index 0 and transparent pixels stay 0; an index whose
      colour is palette P's colour at that index stays itself, any other
      becomes the nearest colour of P; pictures of more than 8 bits are
      matched with error diffusion, transparent pixels taking no part. A
      picture larger than 256 x 256 is cut into 256 x 256 frames from F on
      (--split, the default) or written whole (--no-split); a sprite of
      several directions takes no such picture. --all-gif-images imports
      every image of a GIF into the
      frames from F on, inserted before them or overwriting them; the
      default imports the first image only.
  export-frame IN.dc6 OUT.EXT [--direction D] [--frame F] [--palette P]
      Writes frame F of direction D (default 0 and 0) as an image whose type
      the extension of OUT names (bmp, gif, tif, pcx, jpg, png; another
      extension gives BMP): 8 bits with the frame's indices unchanged and
      palette P as its colours (a PNG shows index 0 as transparent), or 24
      bits at the best quality for JPG.
  sheet IN.dc6 OUT.EXT [--start S] [--across X] [--down Y] [--palette P]
      Puts frames S, S + 1, ... of the first direction (default 0) together
      on a grid of X by Y cells of 256 x 256 (default 2 by 2, at most 10),
      row by row from the top left, the way import cuts a large picture,
      and writes the picture (JPG at quality 99; a PNG shows index 0 as
      transparent). Frames above the bottom row must be 256 high and frames
      left of the last column 256 wide.

  export-all IN.dc6... -o FOLDER [--format F] [--animated [--fps N]]
             [--palette P] [--jobs N]
      Writes every frame of each sprite as an image of format F (bmp, the
      default, pcx, gif, tif, jpg or png) into FOLDER/NAME_F/: one folder
      of images per direction (dd/ffff.F), or with --animated (GIF only)
      one animated dd.gif per direction playing at N frames a second (1 to
      100, default 25, the game's rate), and the description NAME_F.ini
      that build reads. Within a direction every image is padded to one
      canvas that holds all its frames at their offsets. PNG images show
      index 0 as transparent. FOLDER is made when it does not exist.
  build DESC.ini... -o OUT [--palette P] [--jobs N]
      Builds the sprite each description tells of from its images, colours
      matched to palette P, and writes it: to OUT when there is one
      description and OUT is no folder and does not end in /, else into
      the folder OUT (made when it does not exist) as the description's
      FileName (or the description's own name) with .dc6.

  palettes
      Lists every palette name --palette takes, one a line: the name, where
      it comes from (catalogue or user) and its file. The catalogue's
      palettes come first, in the catalogue's order; its first line is the
      palette used when none is given.
  palette IN OUT [--format raw|act|jasc|gpl|riff]
      Converts palette IN (a name or a file, as --palette takes) to the file
      OUT in the format given, or else the one OUT's extension names (.act,
      .gpl; .pal and .dat are written raw). raw is 256 entries of blue,
      green, red (768 bytes, as the game's palettes and the catalogue's
      .pal files); act an Adobe colour table (red, green, blue, with a
      trailer of 772 bytes in all); jasc JASC-PAL text; gpl a GIMP palette;
      riff a RIFF palette.
  export-sheet IN.dc6 OUT.EXT [--json ATLAS.json] [--layout rows|columns|packed]
               [--canvas registered|trimmed] [--padding N] [--fps N] [--palette P]
      Writes every frame on one sheet (PNG, BMP, GIF, TIF or PCX by the
      extension of OUT, another extension than JPG giving BMP; 8 bits with
      the frames' indices unchanged and palette P as its colours, a PNG
      showing index 0 as transparent) and a JSON atlas (default: OUT with
      the extension .json) in the array form that pixel-art editors and
      game engines read: each frame's rectangle, its place in its
      direction's canvas, its duration (1000 / N milliseconds, --fps N from
      1 to 100, default 25) and its drawing offsets. rows (the default)
      puts each direction on a row of cells, frames left to right; columns
      puts each on a column; packed packs the cells into a near-square
      sheet. registered cells (the default) are the direction's canvas with
      the frame at its offsets, so that the cells animate in place; trimmed
      cells are the frames themselves. --padding puts N pixels (0 to 256,
      default 0) between cells.
  import-sheet SHEET ATLAS.json -o OUT.dc6 [--palette P]
      Builds a sprite from a sheet and its atlas: each frame cut from its
      rectangle with its colours matched to palette P as import matches
      them (a sheet saved with more than 8 bits is matched frame by frame
      with error diffusion), its offsets, the directions and the
      termination bytes from the atlas. Every atlas value is checked
      against the sheet first; a fault names the frame and nothing is
      written.

  export-all and build take many files at once: they run N at a time
  (default: one per core), show their progress, go on past a file that
  fails and report every failure at the end.

PALETTES: --palette P takes the name of a palette of the catalogue
(data/pal/palettes.ini beside the program), the name of a file in the
user palette folder ($XDG_DATA_HOME/spritewright/pal, by default
~/.local/share/spritewright/pal), or the path of a palette file, tried in
that order (a name with a '/' is always a path). A file may be a raw
768-byte palette (blue, green, red, unless its extension is .act), an
Adobe .act colour table, JASC-PAL or GIMP .gpl text, a RIFF palette or an
indexed PNG, GIF, BMP, PCX or TIFF picture, whose colour table is taken;
the format is known by the file's content first and its extension second.
A palette of fewer than 256 colours is filled with black (a note says so);
a file that is no palette is an error.

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
