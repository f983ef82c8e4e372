#include "json_forms.h"

#include <charconv>

namespace messages::detail {

ValueShape::ValueShape(const JsonText& shape) {
    const std::string& written = shape.text();
    std::size_t from = 0;
    for (int index = 0;; ++index) {
        const std::string marker = dump(Json(leaf(index)));
        const std::size_t at = written.find(marker, from);
        if (at == std::string::npos) break;
        pieces_.push_back(written.substr(from, at - from));
        from = at + marker.size();
    }
    pieces_.push_back(written.substr(from));
}

ShapedValue& ShapedValue::integer(long long value) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    stream_.out().write(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    return next();
}

}  // namespace messages::detail
