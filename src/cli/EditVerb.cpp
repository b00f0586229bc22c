// The edit verb: grid edits applied in order to a sprite, the result written
// to another file only when every edit succeeded.

#include "CliVerbs.h"
#include "GridEdit.h"

#include <functional>
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

} // namespace cli
