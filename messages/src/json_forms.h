// The JSON and SARIF forms, written through nlohmann-json: every string is escaped by the
// library, and text that is not UTF-8 (a document's bytes in a message) is written with
// U+FFFD in place of each invalid byte, so that the output is always valid JSON.
//
// Objects and arrays are written as text (JsonText) in the library's compact form, never
// built as the library's trees: taking such a tree apart takes memory, and where memory has
// run out that would end the program instead of failing the run.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "messages/findings_writer.h"

namespace messages::detail {

using Json = nlohmann::ordered_json;

inline constexpr std::string_view kToolName = "Zentrel Markwise";
inline constexpr std::string_view kToolVersion = "2.55";

inline std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Compact JSON written as it is built: open an object or array, give keys and values, close
// it. Commas and colons go where the library puts them, and no blank anywhere.
class JsonText {
public:
    JsonText& open(char bracket) {
        separate();
        text_ += bracket;
        needComma_ = false;
        return *this;
    }
    JsonText& close(char bracket) {
        text_ += bracket;
        needComma_ = true;
        return *this;
    }
    JsonText& key(std::string_view name) {
        string(name);
        text_ += ':';
        needComma_ = false;
        return *this;
    }
    JsonText& string(std::string_view text) { return raw(dump(Json(std::string(text)))); }
    JsonText& integer(long long value) { return raw(std::to_string(value)); }
    JsonText& boolean(bool value) { return raw(value ? "true" : "false"); }
    JsonText& null() { return raw("null"); }
    // A value already written as JSON.
    JsonText& raw(std::string_view json) {
        separate();
        text_ += json;
        needComma_ = true;
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    void separate() {
        if (needComma_) text_ += ',';
    }
    std::string text_;
    bool needComma_ = false;
};

// Writes values one after another straight into a TextOut through the library's own
// serializer (the one dump() uses, with the same escaping and replacement), so that a run of
// many messages makes no string for each.
class JsonStream {
public:
    explicit JsonStream(TextOut& out)
        : out_(out), serializer_(std::make_shared<Adapter>(out), ' ', Json::error_handler_t::replace) {}

    void value(const Json& value) { serializer_.dump(value, false, false, 0); }
    void string(std::string_view text) {
        text_.get_ref<std::string&>().assign(text);
        serializer_.dump(text_, false, false, 0);
    }
    TextOut& out() { return out_; }

private:
    class Adapter : public nlohmann::detail::output_adapter_protocol<char> {
    public:
        explicit Adapter(TextOut& out) : out_(out) {}
        void write_character(char c) override { out_.put(c); }
        void write_characters(const char* s, std::size_t length) override {
            out_.write(std::string_view(s, length));
        }

    private:
        TextOut& out_;
    };
    TextOut& out_;
    Json text_ = "";
    nlohmann::detail::serializer<Json> serializer_;
};

// A value of one shape written many times with other leaves (a message of the JSON form, a
// result of the SARIF form). The library writes the shape once, with a marker at each leaf,
// which splits it into the fixed pieces between the leaves; each value is then those pieces
// with its own leaves, strings written by the library's serializer. So the output is the
// library's, without building and writing a tree of objects for every message.
class ValueShape {
public:
    // The marker for leaf `index`, a string in the shape given to the constructor.
    static std::string leaf(int index) { return "@leaf" + std::to_string(index) + "@"; }

    // `shape` holds leaf(0), leaf(1), ... each once, in the order they are written.
    explicit ValueShape(const JsonText& shape);

    std::size_t leaves() const { return pieces_.size() - 1; }
    std::string_view piece(std::size_t index) const { return pieces_[index]; }

private:
    std::vector<std::string> pieces_;
};

// Writes one value of a shape: its leaves in order, then end().
class ShapedValue {
public:
    ShapedValue(const ValueShape& shape, JsonStream& stream) : shape_(shape), stream_(stream) {
        stream_.out().write(shape_.piece(0));
    }
    ShapedValue& string(std::string_view text) {
        stream_.string(text);
        return next();
    }
    ShapedValue& integer(long long value);

private:
    ShapedValue& next() {
        stream_.out().write(shape_.piece(++written_));
        return *this;
    }
    const ValueShape& shape_;
    JsonStream& stream_;
    std::size_t written_ = 0;
};

std::unique_ptr<FindingsWriter> makeJsonWriter();
std::unique_ptr<FindingsWriter> makeSarifWriter();

}  // namespace messages::detail
