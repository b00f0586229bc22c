// The edit verbs: grid edits applied in order to a sprite, the result written
// to another file only when every edit succeeded; one palette index replaced
// by another.

#include "CliVerbs.h"
#include "GridEdit.h"
#include "PixelEdit.h"

#include <climits>
#include <functional>
#include <iostream>
#include <sstream>

namespace cli {
namespace {

using Edit = std::function<bool(CDC6File&, std::string&)>;

std::optional<std::vector<int>> ParseInts(const std::string& text, char separator, size_t count)
{
    std::vector<int> values;
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, separator)) {
        const auto value = ParseInt(part);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    if (values.size() != count || (!text.empty() && text.back() == separator))
        return std::nullopt;
    return values;
}

} // namespace

int RunEdit(Args args)
{
    if (args.empty())
        return UsageError("edit needs an input file, -o OUTPUT and operations");
    const std::string input = args.front();
    std::string output;
    std::vector<Edit> edits;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& op = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        const auto index = ParseInt(value);
        const auto needIndex = [&] {
            return UsageError(op + " takes a whole number" +
                              (hasValue ? ", not \"" + value + "\"" : ""));
        };
        if (op == "-o") {
            if (!hasValue)
                return UsageError("-o needs an output file");
            output = value;
            ++i;
        } else if (op == "--add-direction") {
            edits.emplace_back(AddDirection);
        } else if (op == "--add-frame") {
            edits.emplace_back(AddFrameNumber);
        } else if (op == "--insert-direction" || op == "--delete-direction" ||
                   op == "--insert-frame" || op == "--delete-frame") {
            if (!index)
                return needIndex();
            const int n = *index;
            if (op == "--insert-direction")
                edits.emplace_back(
                    [n](CDC6File& d, std::string& e) { return InsertDirection(d, n, e); });
            else if (op == "--delete-direction")
                edits.emplace_back(
                    [n](CDC6File& d, std::string& e) { return DeleteDirection(d, n, e); });
            else if (op == "--insert-frame")
                edits.emplace_back(
                    [n](CDC6File& d, std::string& e) { return InsertFrameNumber(d, n, e); });
            else
                edits.emplace_back(
                    [n](CDC6File& d, std::string& e) { return DeleteFrameNumber(d, n, e); });
            ++i;
        } else if (op == "--offset") {
            const auto v = ParseInts(value, ':', 4);
            if (!v)
                return UsageError("--offset takes D:F:X:Y, four whole numbers" +
                                  (hasValue ? ", not \"" + value + "\"" : std::string()));
            edits.emplace_back([v = *v](CDC6File& d, std::string& e) {
                return SetFrameOffset(d, v[0], v[1], v[2], v[3], e);
            });
            ++i;
        } else {
            return UsageError("unknown edit operation " + op);
        }
    }
    if (output.empty())
        return UsageError("edit needs -o OUTPUT");

    CDC6File doc;
    if (!doc.LoadDC6(input))
        return Fail(input, doc.GetLastErrorText());
    for (size_t k = 0; k < edits.size(); ++k) {
        std::string error;
        if (!edits[k](doc, error))
            return Fail(input, "operation " + std::to_string(k + 1) + ": " + error +
                                   "; nothing was written");
    }
    if (!doc.SaveDC6(output))
        return Fail(output, doc.GetLastErrorText());
    return kOk;
}

int RunReplaceIndex(Args args)
{
    std::string output;
    int from = INT_MIN;
    int to = INT_MIN;
    int direction = INT_MIN;
    int frame = INT_MIN;
    if (!TakeTextOption(args, "-o", output) || !TakeIntOption(args, "--from", from) ||
        !TakeIntOption(args, "--to", to) || !TakeIntOption(args, "--direction", direction) ||
        !TakeIntOption(args, "--frame", frame) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 1 || output.empty() || from == INT_MIN || to == INT_MIN)
        return UsageError("replace-index takes IN.dc6 -o OUT.dc6 --from A --to B");
    for (const auto& [name, value] : {std::pair{"--from", from}, std::pair{"--to", to}})
        if (value < 0 || value > 255)
            return UsageError(std::string(name) + " takes a palette index from 0 to 255");
    for (const auto& [name, value] :
         {std::pair{"--direction", direction}, std::pair{"--frame", frame}})
        if (value < 0 && value != INT_MIN)
            return UsageError(std::string(name) + " takes a number from 0");

    CDC6File doc;
    if (!doc.LoadDC6(args[0]))
        return Fail(args[0], doc.GetLastErrorText());
    int64_t changed = 0;
    int frames = 0;
    std::string error;
    if (!ReplaceIndex(doc, static_cast<uint8_t>(from), static_cast<uint8_t>(to),
                      direction == INT_MIN ? -1 : direction, frame == INT_MIN ? -1 : frame, changed,
                      error, [&](int, std::span<const uint8_t>) { ++frames; }))
        return Fail(args[0], error + "; nothing was written");
    if (!doc.SaveDC6(output))
        return Fail(output, doc.GetLastErrorText());
    std::cout << args[0] << ": " << changed << " pixels of index " << from << " became " << to
              << " in " << frames << (frames == 1 ? " frame" : " frames") << '\n';
    return kOk;
}

} // namespace cli
