#include "config/styled_json.h"

#include <json/reader.h>
#include <json/writer.h>

#include <vector>

#include "text/line_ends.h"

namespace kestrion {

namespace {

constexpr unsigned kIndentSize = 3;
constexpr unsigned kRightMargin = 74;  // an array of scalars longer than this breaks into lines

std::string quoted(const char* begin, const char* end) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char* c = begin; c != end; ++c) {
    const unsigned char b = static_cast<unsigned char>(*c);
    switch (b) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (b < 0x20) {
          out += "\\u00";
          out += kHex[b >> 4];
          out += kHex[b & 0xF];
        } else {
          out += static_cast<char>(b);  // ASCII and every byte of a double-byte character
        }
    }
  }
  out += '"';
  return out;
}

std::string quoted(const std::string& s) { return quoted(s.data(), s.data() + s.size()); }

// StyledWriter's algorithm, value by value.
class Styled {
 public:
  std::string write(const Json::Value& root) {
    write_value(root);
    document_ += '\n';
    return document_;
  }

 private:
  void write_value(const Json::Value& value) {
    switch (value.type()) {
      case Json::nullValue: push("null"); break;
      case Json::intValue: push(Json::valueToString(value.asLargestInt())); break;
      case Json::uintValue: push(Json::valueToString(value.asLargestUInt())); break;
      case Json::realValue: push(Json::valueToString(value.asDouble())); break;
      case Json::booleanValue: push(Json::valueToString(value.asBool())); break;
      case Json::stringValue: {
        const char* begin = nullptr;
        const char* end = nullptr;
        push(value.getString(&begin, &end) ? quoted(begin, end) : std::string());
        break;
      }
      case Json::arrayValue: write_array(value); break;
      case Json::objectValue: write_object(value); break;
    }
  }

  void write_object(const Json::Value& value) {
    const Json::Value::Members names = value.getMemberNames();  // byte order of the names
    if (names.empty()) {
      push("{}");
      return;
    }
    write_with_indent("{");
    indent_ += std::string(kIndentSize, ' ');
    for (size_t i = 0; i < names.size(); ++i) {
      if (i > 0) document_ += ',';
      write_with_indent(quoted(names[i]));
      document_ += " : ";
      write_value(value[names[i]]);
    }
    indent_.resize(indent_.size() - kIndentSize);
    write_with_indent("}");
  }

  void write_array(const Json::Value& value) {
    const Json::ArrayIndex size = value.size();
    if (size == 0) {
      push("[]");
      return;
    }
    if (multiline_array(value)) {
      write_with_indent("[");
      indent_ += std::string(kIndentSize, ' ');
      const bool rendered = !children_.empty();
      for (Json::ArrayIndex i = 0; i < size; ++i) {
        if (i > 0) document_ += ',';
        if (rendered) {
          write_with_indent(children_[i]);
        } else {
          write_indent();
          write_value(value[i]);
        }
      }
      indent_.resize(indent_.size() - kIndentSize);
      write_with_indent("]");
    } else {
      document_ += "[ ";
      for (Json::ArrayIndex i = 0; i < size; ++i) {
        if (i > 0) document_ += ", ";
        document_ += children_[i];
      }
      document_ += " ]";
    }
  }

  // An array goes on several lines when it is long, holds a non-empty array or object, or its
  // one-line form would reach the right margin. Renders the elements into children_ when it
  // had to measure them.
  bool multiline_array(const Json::Value& value) {
    const Json::ArrayIndex size = value.size();
    bool multi = size * 3 >= kRightMargin;
    children_.clear();
    for (Json::ArrayIndex i = 0; i < size && !multi; ++i) {
      const Json::Value& child = value[i];
      multi = (child.isArray() || child.isObject()) && !child.empty();
    }
    if (!multi) {
      children_.reserve(size);
      collect_ = true;
      Json::ArrayIndex length = 4 + (size - 1) * 2;  // "[ " + ", " between + " ]"
      for (Json::ArrayIndex i = 0; i < size; ++i) {
        write_value(value[i]);
        length += static_cast<Json::ArrayIndex>(children_[i].size());
      }
      collect_ = false;
      multi = length >= kRightMargin;
    }
    return multi;
  }

  void push(const std::string& s) {
    if (collect_)
      children_.push_back(s);
    else
      document_ += s;
  }

  void write_indent() {
    if (!document_.empty()) {
      const char last = document_.back();
      if (last == ' ') return;  // after " : ", or already indented
      if (last != '\n') document_ += '\n';
    }
    document_ += indent_;
  }

  void write_with_indent(const std::string& s) {
    write_indent();
    document_ += s;
  }

  std::string document_;
  std::string indent_;
  std::vector<std::string> children_;
  bool collect_ = false;
};

}  // namespace

std::string styled_json(const Json::Value& root) {
  // Every LF is a line end (strings carry theirs escaped); a text-mode stream writes CR LF.
  return text::with_crlf(Styled().write(root));
}

bool parse_json(const std::string& bytes, Json::Value& root) {
  Json::Reader reader;
  try {
    return reader.parse(bytes.data(), bytes.data() + bytes.size(), root, true);
  } catch (const Json::Exception&) {
    return false;  // nested deeper than the reader allows: it throws instead of failing
  }
}

}  // namespace kestrion
