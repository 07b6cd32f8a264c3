// Walking an Office Open XML package's relationships to its pictures.
#include "office/OfficeOpenXml.h"

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "epub/EpubSource.h"
#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"

namespace pictrove::readers {
namespace {

// Parts are markup; anything larger is not one.
constexpr std::size_t kMaxPartSize = 64u << 20;
// Real documents have hundreds of parts; a package that claims more is looping or hostile.
constexpr std::size_t kMaxParts = 20000;

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // resolved against the source part, no leading slash
};

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && AsciiLower(text.substr(text.size() - tail.size())) == tail;
}

// The type's last path step: "image", "officeDocument", "chart"...
std::string_view TypeName(std::string_view type) {
    const auto slash = type.rfind('/');
    return slash == std::string_view::npos ? type : type.substr(slash + 1);
}

std::optional<std::string> ReadPart(const ZipArchive& archive, const std::string& path) {
    const ZipEntry* entry = archive.Find(path);
    if (entry == nullptr) return std::nullopt;
    const auto bytes = archive.Extract(*entry, kMaxPartSize);
    if (!bytes) return std::nullopt;
    return XmlToUtf8(*bytes);
}

// The relationships of a part (the package's own for an empty path), external targets left out.
std::vector<Relationship> ReadRelationships(const ZipArchive& archive, const std::string& part) {
    const auto slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? part : part.substr(slash + 1);
    const auto text = ReadPart(archive, folder + "_rels/" + name + ".rels");
    std::vector<Relationship> relationships;
    if (!text) return relationships;
    XmlScanner scanner(*text);
    while (scanner.Next()) {
        if (scanner.Kind() != XmlScanner::Token::kStartTag || scanner.Name() != "Relationship") continue;
        if (scanner.Attribute("TargetMode").value_or("") == "External") continue;
        Relationship relationship;
        relationship.id = scanner.Attribute("Id").value_or("");
        relationship.type = scanner.Attribute("Type").value_or("");
        relationship.target = ResolveLink(part, scanner.Attribute("Target").value_or(""));
        if (!relationship.id.empty() && !relationship.target.empty()) relationships.push_back(std::move(relationship));
    }
    return relationships;
}

class PackageWalk {
  public:
    explicit PackageWalk(const ZipArchive& archive) : archive_(archive) {}

    void Part(const std::string& path) {
        if (!visited_.insert(AsciiLower(path)).second || visited_.size() > kMaxParts) return;
        const auto text = ReadPart(archive_, path);
        if (!text) return;
        const std::vector<Relationship> relationships = ReadRelationships(archive_, path);
        const auto byId = [&](std::string_view id) -> const Relationship* {
            for (const auto& relationship : relationships) {
                if (relationship.id == id) return &relationship;
            }
            return nullptr;
        };
        std::set<std::string> prefixes;  // those bound to the relationships namespace
        std::vector<const Relationship*> later;
        bool blipHasBitmap = false;
        XmlScanner scanner(*text);
        while (scanner.Next()) {
            if (scanner.Kind() != XmlScanner::Token::kStartTag) continue;
            const std::string_view element = scanner.Name();
            if (element == "blip") blipHasBitmap = false;
            for (const auto& [name, value] : scanner.Attributes()) {
                if (name.starts_with("xmlns:") &&
                    (value.ends_with("/relationships") || value.ends_with("/relationships/"))) {
                    prefixes.insert(std::string(name.substr(6)));
                    continue;
                }
                if (!IsReference(name, prefixes)) continue;
                // The SVG original inside a bitmap picture's extension list: the bitmap is the picture.
                if (element == "svgBlip" && blipHasBitmap) continue;
                const Relationship* relationship = byId(value);
                if (relationship == nullptr) continue;
                // A slide reached by a link from another is read where the presentation lists it.
                if (TypeName(relationship->type) == "slide" && element != "sldId") continue;
                if (element == "blip") blipHasBitmap = true;
                // Masters and layouts come after the slides, whatever order the presentation lists them.
                if (element == "sldMasterId" || element == "notesMasterId" || element == "handoutMasterId") {
                    later.push_back(relationship);
                    continue;
                }
                Follow(*relationship);
            }
        }
        for (const Relationship* relationship : later) Follow(*relationship);
        // Parts a document uses without naming them in its markup.
        for (const auto& relationship : relationships) {
            const std::string_view type = TypeName(relationship.type);
            if (type == "footnotes" || type == "endnotes" || type == "comments") Follow(relationship);
        }
    }

    std::vector<const ZipEntry*> Take() { return std::move(pictures_); }

  private:
    static bool IsReference(std::string_view name, const std::set<std::string>& prefixes) {
        const auto colon = name.find(':');
        if (colon != std::string_view::npos && prefixes.contains(std::string(name.substr(0, colon)))) return true;
        // A SmartArt data model names its drawing without a prefix; VML names its picture o:relid.
        return name == "relId" || name == "o:relid";
    }

    void Follow(const Relationship& relationship) {
        const std::string_view type = TypeName(relationship.type);
        if (type == "image" || type == "hdphoto") {
            const ZipEntry* entry = archive_.Find(relationship.target);
            if (entry != nullptr && std::find(pictures_.begin(), pictures_.end(), entry) == pictures_.end()) {
                pictures_.push_back(entry);
            }
            return;
        }
        if (EndsWithNoCase(relationship.target, ".xml")) Part(relationship.target);
    }

    const ZipArchive& archive_;
    std::set<std::string> visited_;
    std::vector<const ZipEntry*> pictures_;
};

}  // namespace

bool IsOfficeOpenXml(const ZipArchive& archive) {
    return archive.Find("[Content_Types].xml") != nullptr;
}

std::vector<const ZipEntry*> OfficeOpenXmlPictures(const ZipArchive& archive) {
    PackageWalk walk(archive);
    for (const auto& relationship : ReadRelationships(archive, {})) {
        if (TypeName(relationship.type) == "officeDocument") walk.Part(relationship.target);
    }
    return walk.Take();
}

}  // namespace pictrove::readers
