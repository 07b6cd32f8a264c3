// Construction and lookup of PDF objects.
#include "PdfObject.h"

namespace pictrove::readers::pdf {

Object Object::Boolean(bool value) {
    Object o;
    o.kind = Kind::kBool;
    o.integer = value ? 1 : 0;
    return o;
}

Object Object::Integer(std::int64_t value) {
    Object o;
    o.kind = Kind::kInt;
    o.integer = value;
    return o;
}

Object Object::Real(double value) {
    Object o;
    o.kind = Kind::kReal;
    o.real = value;
    return o;
}

Object Object::String(std::string bytes) {
    Object o;
    o.kind = Kind::kString;
    o.text = std::move(bytes);
    return o;
}

Object Object::Name(std::string name) {
    Object o;
    o.kind = Kind::kName;
    o.text = std::move(name);
    return o;
}

Object Object::Ref(std::int64_t number, int generation) {
    Object o;
    o.kind = Kind::kRef;
    o.integer = number;
    o.generation = generation;
    return o;
}

Object Object::MakeArray(Array items) {
    Object o;
    o.kind = Kind::kArray;
    o.array = std::make_shared<const Array>(std::move(items));
    return o;
}

Object Object::MakeDict(Dict dict) {
    Object o;
    o.kind = Kind::kDict;
    o.dict = std::make_shared<const Dict>(std::move(dict));
    return o;
}

Object Object::MakeStream(Stream stream) {
    Object o;
    o.kind = Kind::kStream;
    auto shared = std::make_shared<const Stream>(std::move(stream));
    o.dict = std::shared_ptr<const Dict>(shared, &shared->dict);
    o.stream = std::move(shared);
    return o;
}

const Object& Dict::Get(std::string_view key) const {
    for (const auto& [name, value] : entries) {
        if (name == key) return value;
    }
    return kNullObject;
}

bool Dict::Has(std::string_view key) const {
    for (const auto& entry : entries) {
        if (entry.first == key) return true;
    }
    return false;
}

void Dict::Set(const std::string& key, const Object& value) {
    for (auto& entry : entries) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    entries.emplace_back(key, value);
}

}  // namespace pictrove::readers::pdf
