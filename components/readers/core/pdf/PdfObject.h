// The object model of a PDF file: the eight basic kinds plus references and streams. Arrays,
// dictionaries and streams are shared and immutable, so objects copy cheaply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictrove::readers::pdf {

struct Dict;
struct Stream;
struct Object;
using Array = std::vector<Object>;

enum class Kind : std::uint8_t { kNull, kBool, kInt, kReal, kString, kName, kArray, kDict, kStream, kRef };

struct Object {
    Kind kind = Kind::kNull;
    std::int64_t integer = 0;  // bool, int, or the object number of a reference
    double real = 0;
    int generation = 0;  // of a reference
    std::string text;    // bytes of a string, or a name without its slash
    std::shared_ptr<const Array> array;
    std::shared_ptr<const Dict> dict;  // also a stream's dictionary
    std::shared_ptr<const Stream> stream;

    bool IsNull() const { return kind == Kind::kNull; }
    bool IsNumber() const { return kind == Kind::kInt || kind == Kind::kReal; }
    bool IsName() const { return kind == Kind::kName; }
    bool IsName(std::string_view name) const { return kind == Kind::kName && text == name; }
    bool IsString() const { return kind == Kind::kString; }
    bool IsArray() const { return kind == Kind::kArray; }
    bool IsDict() const { return kind == Kind::kDict; }
    bool IsStream() const { return kind == Kind::kStream; }
    bool IsRef() const { return kind == Kind::kRef; }
    bool IsBool() const { return kind == Kind::kBool; }

    double Number(double fallback = 0) const {
        if (kind == Kind::kInt) return static_cast<double>(integer);
        if (kind == Kind::kReal) return real;
        return fallback;
    }
    std::int64_t Int(std::int64_t fallback = 0) const {
        if (kind == Kind::kInt) return integer;
        if (kind == Kind::kReal && real > -1e15 && real < 1e15) return static_cast<std::int64_t>(real);
        return fallback;
    }
    bool Bool(bool fallback = false) const { return kind == Kind::kBool ? integer != 0 : fallback; }
    // The dictionary of a dictionary or of a stream.
    const Dict* AsDict() const { return dict.get(); }

    static Object Null() { return {}; }
    static Object Boolean(bool value);
    static Object Integer(std::int64_t value);
    static Object Real(double value);
    static Object String(std::string bytes);
    static Object Name(std::string name);
    static Object Ref(std::int64_t number, int generation);
    static Object MakeArray(Array items);
    static Object MakeDict(Dict dict);
    static Object MakeStream(Stream stream);
};

struct Dict {
    std::vector<std::pair<std::string, Object>> entries;

    // The entry's value, or a null object when absent. A repeated key keeps its first value.
    const Object& Get(std::string_view key) const;
    bool Has(std::string_view key) const;
    // Replaces the value Get would return, or adds the entry when the key is absent.
    void Set(const std::string& key, const Object& value);
};

// A stream's data: where its raw bytes lie in the file, or bytes of its own (inline images,
// streams rebuilt by tests). number and generation key the decryption.
struct Stream {
    Dict dict;
    std::size_t offset = 0;
    std::size_t length = 0;
    bool ownsData = false;
    std::vector<std::uint8_t> data;
    std::int64_t number = 0;
    int generation = 0;
    bool encrypted = false;  // decrypted with the object's key when read
};

inline const Object kNullObject{};

}  // namespace pictrove::readers::pdf
