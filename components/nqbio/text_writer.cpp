// Text encoding writer. Floats are written so that they read back bit for bit.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "NQBIO_Manipulator.h"
#include "common/output_file.h"
#include "content_check.h"
#include "nqb_layout.h"
#include "number_tokens.h"

namespace nqbio {

using qvr::common::OutputFile;

namespace {

// Longest entry line: 12 values of at most 32 characters each, blanks and line end.
constexpr std::size_t kMaxLineBytes = 512;

class LineWriter {
public:
    explicit LineWriter(OutputFile& out) : out_(out) {}

    void begin() {
        start_ = out_.reserve(kMaxLineBytes);
        p_ = start_;
    }
    void integer(long long v) {
        separate();
        p_ = std::to_chars(p_, start_ + kMaxLineBytes, v).ptr;
    }
    void real(float v) {
        separate();
        p_ += formatFloat(v, p_);
    }
    void end() {
        *p_++ = '\n';
        out_.commit(static_cast<std::size_t>(p_ - start_));
    }

private:
    void separate() {
        if (p_ != start_) *p_++ = ' ';
    }

    OutputFile& out_;
    char* start_ = nullptr;
    char* p_ = nullptr;
};

void writeHeader(OutputFile& out, const MeshData& mesh) {
    const auto keywordLine = [&out](std::string_view keyword, std::string_view rest) {
        out.append(keyword);
        if (!rest.empty()) {
            out.append(" ");
            out.append(rest);
        }
        out.append("\n");
    };
    keywordLine(layout::kTextMagic, std::to_string(layout::kLayoutVersion));
    keywordLine(layout::kUnitKeyword, mesh.unit);
    std::string counts = std::to_string(mesh.nodeCount());
    counts += ' ';
    counts += std::to_string(mesh.parts.size());
    counts += ' ';
    counts += std::to_string(mesh.surfaces.size());
    keywordLine(layout::kCountsKeyword, counts);
}

void keyword(OutputFile& out, std::string_view word) {
    out.append(word);
    out.append("\n");
}

void writeContent(OutputFile& out, const MeshData& mesh) {
    writeHeader(out, mesh);
    LineWriter line(out);
    keyword(out, layout::kNodesKeyword);
    for (std::size_t i = 0; i + 2 < mesh.xyz.size(); i += 3) {
        line.begin();
        line.real(mesh.xyz[i]);
        line.real(mesh.xyz[i + 1]);
        line.real(mesh.xyz[i + 2]);
        line.end();
    }
    keyword(out, layout::kPartKeyword);
    for (const PartElement& e : mesh.parts) {
        line.begin();
        line.integer(e.nNode);
        for (int j = 0; j < e.nNode; ++j) line.integer(e.node[j]);
        line.integer(e.attrWord);
        line.integer(e.attrCode);
        line.real(e.volume);
        line.end();
    }
    keyword(out, layout::kSurfaceKeyword);
    for (const SurfaceElement& s : mesh.surfaces) {
        line.begin();
        for (int n : s.node) line.integer(n);
        for (int v : {s.kind, s.aux1, s.aux2, s.code, s.aux3}) line.integer(v);
        line.end();
    }
    keyword(out, layout::kEndKeyword);
}

}  // namespace

bool writeText(const std::string& path, const MeshData& mesh, std::string* error) {
    std::string reason;
    OutputFile out;
    bool ok = checkStorable(mesh, Encoding::Text, reason) && out.open(path, reason);
    if (ok) {
        writeContent(out, mesh);
        ok = out.close(reason);
    }
    if (!ok && error != nullptr) *error = reason;
    return ok;
}

}  // namespace nqbio
