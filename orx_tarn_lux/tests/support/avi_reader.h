// A reader of RIFF files for the video tests: the chunk tree of a file, with
// the helpers the tests need to follow indexes back to frames.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace orx::test {

inline uint32_t le32(const std::vector<uint8_t>& bytes, uint64_t at) {
    return uint32_t(bytes.at(at)) | uint32_t(bytes.at(at + 1)) << 8 | uint32_t(bytes.at(at + 2)) << 16 |
           uint32_t(bytes.at(at + 3)) << 24;
}
inline uint16_t le16(const std::vector<uint8_t>& bytes, uint64_t at) {
    return uint16_t(bytes.at(at) | bytes.at(at + 1) << 8);
}
inline uint64_t le64(const std::vector<uint8_t>& bytes, uint64_t at) {
    return le32(bytes, at) | uint64_t(le32(bytes, at + 4)) << 32;
}

struct Chunk {
    std::string id;        // fourcc; for lists 'RIFF'/'LIST'
    std::string listType;  // for lists
    uint64_t offset = 0;   // of the chunk header
    uint32_t size = 0;     // of the data (for lists: from the list type on)
    std::vector<Chunk> children;

    uint64_t data() const { return offset + 8; }
    std::vector<const Chunk*> all(const std::string& name) const {
        std::vector<const Chunk*> found;
        for (const Chunk& child : children)
            if (child.id == name || child.listType == name) found.push_back(&child);
        return found;
    }
    const Chunk* find(const std::string& name) const {
        const auto found = all(name);
        return found.empty() ? nullptr : found.front();
    }
};

class AviReader {
public:
    explicit AviReader(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        uint64_t at = 0;
        while (at + 12 <= bytes.size()) {
            riffs.push_back(parse(at));
            at += 8 + riffs.back().size + (riffs.back().size & 1);
        }
    }

    std::string fourcc(uint64_t at) const { return std::string(bytes.begin() + at, bytes.begin() + at + 4); }

    std::vector<uint8_t> bytes;
    std::vector<Chunk> riffs;
    bool consistent = true;  // every chunk lies inside its parent and the file

private:
    Chunk parse(uint64_t at) {
        Chunk chunk;
        chunk.offset = at;
        chunk.id = fourcc(at);
        chunk.size = le32(bytes, at + 4);
        const uint64_t end = at + 8 + chunk.size;
        if (end > bytes.size()) {
            consistent = false;
            return chunk;
        }
        if (chunk.id == "RIFF" || chunk.id == "LIST") {
            chunk.listType = fourcc(at + 8);
            for (uint64_t child = at + 12; child + 8 <= end;) {
                chunk.children.push_back(parse(child));
                child += 8 + chunk.children.back().size + (chunk.children.back().size & 1);
                if (child > end) consistent = false;
            }
        }
        return chunk;
    }
};

}  // namespace orx::test
