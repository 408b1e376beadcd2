#include "manifest.h"

#include "fileutils.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <variant>

std::optional<std::string> manifestHashFile(const std::string& path)
{
    FilePtr f = fileOpen(path, "rb");
    if (!f)
        return std::nullopt;
    uint64_t h = 0xcbf29ce484222325ull;
    std::vector<uint8_t> buf(1 << 16);
    for (;;) {
        const size_t got = std::fread(buf.data(), 1, buf.size(), f.get());
        for (size_t i = 0; i < got; ++i) {
            h ^= buf[i];
            h *= 0x100000001b3ull;
        }
        if (got < buf.size())
            break;
    }
    if (std::ferror(f.get()))
        return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(h));
    return std::string(text);
}

std::string manifestQuote(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

namespace {

// A parsed value of the subset: string, number, object or array.
struct Value;
using Object = std::map<std::string, Value>;
using Array = std::vector<Value>;
struct Value {
    std::variant<std::string, uint64_t, Object, Array> v;
};

struct Parser {
    const std::string& s;
    size_t pos = 0;
    std::string error;

    void space()
    {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\t' || s[pos] == '\r'))
            ++pos;
    }
    bool fail(const char* what)
    {
        if (error.empty())
            error = std::string(what) + " at byte " + std::to_string(pos);
        return false;
    }
    bool expect(char c)
    {
        space();
        if (pos < s.size() && s[pos] == c) {
            ++pos;
            return true;
        }
        return fail((std::string("expected '") + c + "'").c_str());
    }
    bool string(std::string& out)
    {
        if (!expect('"'))
            return false;
        while (pos < s.size() && s[pos] != '"') {
            char c = s[pos++];
            if (c == '\\') {
                if (pos >= s.size())
                    return fail("cut escape");
                const char e = s[pos++];
                if (e == '"' || e == '\\') {
                    c = e;
                } else if (e == 'u' && pos + 4 <= s.size() && s.compare(pos, 2, "00") == 0 &&
                           std::isxdigit(static_cast<unsigned char>(s[pos + 2])) &&
                           std::isxdigit(static_cast<unsigned char>(s[pos + 3]))) {
                    const unsigned long code = std::strtoul(s.substr(pos + 2, 2).c_str(), nullptr, 16);
                    c = static_cast<char>(code);
                    pos += 4;
                } else {
                    return fail("unknown escape");
                }
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return fail("control character in a string");
            }
            out += c;
        }
        if (pos >= s.size())
            return fail("unterminated string");
        ++pos;
        return true;
    }
    bool value(Value& out, int depth)
    {
        if (depth > 8)
            return fail("nesting too deep");
        space();
        if (pos >= s.size())
            return fail("unexpected end");
        const char c = s[pos];
        if (c == '"') {
            std::string str;
            if (!string(str))
                return false;
            out.v = std::move(str);
            return true;
        }
        if (c >= '0' && c <= '9') {
            uint64_t n = 0;
            while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
                if (n > (UINT64_MAX - 9) / 10)
                    return fail("number too large");
                n = n * 10 + static_cast<uint64_t>(s[pos++] - '0');
            }
            out.v = n;
            return true;
        }
        if (c == '{') {
            ++pos;
            Object obj;
            space();
            if (pos < s.size() && s[pos] == '}') {
                ++pos;
                out.v = std::move(obj);
                return true;
            }
            for (;;) {
                std::string key;
                Value item;
                if (!string(key) || !expect(':') || !value(item, depth + 1))
                    return false;
                if (!obj.emplace(key, std::move(item)).second)
                    return fail("duplicate key");
                space();
                if (pos < s.size() && s[pos] == ',') {
                    ++pos;
                    continue;
                }
                if (!expect('}'))
                    return false;
                out.v = std::move(obj);
                return true;
            }
        }
        if (c == '[') {
            ++pos;
            Array arr;
            space();
            if (pos < s.size() && s[pos] == ']') {
                ++pos;
                out.v = std::move(arr);
                return true;
            }
            for (;;) {
                Value item;
                if (!value(item, depth + 1))
                    return false;
                arr.push_back(std::move(item));
                space();
                if (pos < s.size() && s[pos] == ',') {
                    ++pos;
                    continue;
                }
                if (!expect(']'))
                    return false;
                out.v = std::move(arr);
                return true;
            }
        }
        return fail("unexpected character");
    }
};

template <class T>
const T* field(const Object& o, const char* key)
{
    const auto it = o.find(key);
    return it == o.end() ? nullptr : std::get_if<T>(&it->second.v);
}

}  // namespace

std::string manifestToJson(const Manifest& m)
{
    std::string out = "{\n";
    out += "  \"tool\": \"kz7\",\n";
    out += "  \"version\": " + manifestQuote(m.version) + ",\n";
    out += "  \"game\": " + manifestQuote(m.game) + ",\n";
    out += "  \"img\": {\"size\": " + std::to_string(m.imgSize) + ", \"hash\": " + manifestQuote(m.imgHash) + "},\n";
    out += "  \"files\": [";
    for (size_t i = 0; i < m.files.size(); ++i) {
        const ManifestFile& f = m.files[i];
        out += i ? ",\n    " : "\n    ";
        out += "{\"path\": " + manifestQuote(f.path) + ", \"kind\": " + manifestQuote(f.kind) + ", \"from\": " +
               manifestQuote(f.from) + ", \"size\": " + std::to_string(f.size) + ", \"hash\": " + manifestQuote(f.hash) + "}";
    }
    out += m.files.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::optional<Manifest> manifestFromJson(const std::string& text, std::string& error)
{
    Parser p{text, 0, {}};
    Value root;
    if (!p.value(root, 0)) {
        error = p.error;
        return std::nullopt;
    }
    p.space();
    if (p.pos != text.size()) {
        error = "text after the manifest at byte " + std::to_string(p.pos);
        return std::nullopt;
    }
    const Object* o = std::get_if<Object>(&root.v);
    const std::string* tool = o ? field<std::string>(*o, "tool") : nullptr;
    const std::string* version = o ? field<std::string>(*o, "version") : nullptr;
    const std::string* game = o ? field<std::string>(*o, "game") : nullptr;
    const Object* img = o ? field<Object>(*o, "img") : nullptr;
    const Array* files = o ? field<Array>(*o, "files") : nullptr;
    if (!tool || *tool != "kz7" || !version || !game || !img || !files) {
        error = "not a kz7 project (tool, version, game, img or files missing)";
        return std::nullopt;
    }
    if (*version != manifestVersion) {
        error = "version " + *version + " is not " + manifestVersion;
        return std::nullopt;
    }
    Manifest m;
    m.game = *game;
    const uint64_t* imgSize = field<uint64_t>(*img, "size");
    const std::string* imgHash = field<std::string>(*img, "hash");
    if (!imgSize || !imgHash) {
        error = "img without size or hash";
        return std::nullopt;
    }
    m.imgSize = *imgSize;
    m.imgHash = *imgHash;
    for (const Value& v : *files) {
        const Object* f = std::get_if<Object>(&v.v);
        const std::string* path = f ? field<std::string>(*f, "path") : nullptr;
        const std::string* kind = f ? field<std::string>(*f, "kind") : nullptr;
        const std::string* from = f ? field<std::string>(*f, "from") : nullptr;
        const uint64_t* size = f ? field<uint64_t>(*f, "size") : nullptr;
        const std::string* hash = f ? field<std::string>(*f, "hash") : nullptr;
        if (!path || !kind || !from || !size || !hash || path->empty() || path->front() == '/' ||
            path->find("..") != std::string::npos) {
            error = "file entry " + std::to_string(m.files.size() + 1) + " incomplete or outside the project";
            return std::nullopt;
        }
        m.files.push_back({*path, *kind, *from, *size, *hash});
    }
    return m;
}

const ManifestFile* manifestFind(const Manifest& m, const std::string& path)
{
    for (const ManifestFile& f : m.files)
        if (f.path == path)
            return &f;
    return nullptr;
}
