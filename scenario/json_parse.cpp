// Parsing with a builder of our own: the library's ordered objects look for an existing key on
// every insertion, which makes a large object quadratic; here each object keeps a hash set of its
// keys, and the members are appended in the order of the file.
#include "scenario/json_parse.h"

#include <unordered_set>
#include <vector>

namespace scenario {
namespace {

// No scenario nests deeper than a dozen levels; a file that does is refused at this depth rather
// than held level by level in memory.
constexpr size_t kMaxDepth = 64;

class OrderedBuilder {
 public:
  Json root;
  std::string duplicate;  // the place of a key given twice, and the key
  std::string tooDeep;    // the place where the nesting went past kMaxDepth
  size_t errorAt = 0;     // characters read when the parser stopped on an error
  std::string error;

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(Json::number_integer_t value) { return Put(value); }
  bool number_unsigned(Json::number_unsigned_t value) { return Put(value); }
  bool number_float(Json::number_float_t value, const std::string&) { return Put(value); }
  bool string(std::string& value) { return Put(std::move(value)); }
  bool binary(Json::binary_t& value) { return Put(Json::binary(std::move(value))); }
  bool start_object(size_t) { return Begin(Json::object()); }
  bool start_array(size_t) { return Begin(Json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(std::string& name) {
    if (!open_.back().keys.insert(name).second) {
      duplicate = Pointer() + "/" + PointerToken(name) + ": the key \"" + name + "\" is given twice";
      return false;
    }
    open_.back().key = std::move(name);
    return true;
  }
  bool parse_error(size_t position, const std::string& token, const nlohmann::detail::exception& e) {
    // A number beyond the double range is placed at its first character, a syntax error where
    // the parser stopped.
    constexpr int kNumberOverflow = 406;
    errorAt = e.id == kNumberOverflow && position >= token.size() ? position - token.size() + 1 : position;
    error = e.what();
    return false;
  }

 private:
  struct Level {
    Json* node;
    std::unordered_set<std::string> keys;
    std::string key;  // of the member being read, in an object
  };

  std::string Pointer() const {
    std::string out;
    for (size_t i = 0; i + 1 < open_.size(); ++i)
      out += "/" + (open_[i].node->is_array() ? std::to_string(open_[i].node->size() - 1) : PointerToken(open_[i].key));
    return out;
  }

  // A finished value, placed in the innermost open list or object. Pointers into an outer list
  // stay valid: only the innermost one grows while it is open.
  Json* Place(Json value) {
    if (open_.empty()) {
      root = std::move(value);
      return &root;
    }
    Json& parent = *open_.back().node;
    if (parent.is_array()) {
      parent.get_ref<Json::array_t&>().push_back(std::move(value));
      return &parent.back();
    }
    // Appended without the library's search for the same key: the set above has refused it.
    auto& members = static_cast<std::vector<std::pair<const std::string, Json>>&>(parent.get_ref<Json::object_t&>());
    members.emplace_back(open_.back().key, std::move(value));
    return &members.back().second;
  }
  template <class V>
  bool Put(V&& value) {
    Place(Json(std::forward<V>(value)));
    return true;
  }
  bool Begin(Json empty) {
    if (open_.size() >= kMaxDepth) {
      tooDeep = Pointer() + ": nested more than " + std::to_string(kMaxDepth) + " levels deep";
      return false;
    }
    open_.push_back({Place(std::move(empty)), {}, {}});
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  std::vector<Level> open_;
};

}  // namespace

Result<Json> ParseJson(const std::string& path, const std::string& text) {
  OrderedBuilder builder;
  if (Json::sax_parse(text, &builder, nlohmann::detail::input_format_t::json, true, true)) return std::move(builder.root);
  if (!builder.duplicate.empty()) return testkit::Failure(path + ": " + builder.duplicate);
  if (!builder.tooDeep.empty()) return testkit::Failure(path + ": " + builder.tooDeep);
  size_t line = 1, column = 1;
  for (size_t i = 0; i + 1 < builder.errorAt && i < text.size(); ++i) {
    column = text[i] == '\n' ? 1 : column + 1;
    line += text[i] == '\n' ? 1 : 0;
  }
  const size_t cut = builder.error.find("syntax error");
  const size_t tag = builder.error.find("] ");
  const std::string what = cut != std::string::npos ? builder.error.substr(cut)
                           : tag != std::string::npos ? builder.error.substr(tag + 2)
                                                      : builder.error;
  return testkit::Failure(path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": malformed JSON: " + what);
}

}  // namespace scenario
