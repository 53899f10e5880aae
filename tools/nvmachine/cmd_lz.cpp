// nvmachine lz compress|expand SRC DST: SZDD files on the host.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <lzexpand.h>

#include "platform/lz/SzddExpander.h"
#include "tools/nvmachine/Command.h"
#include "tools/szdd/SzddCompressor.h"
#include "platform/core/DriveStore.h"

namespace fs = std::filesystem;

namespace {

class FileSource : public nv::lz::Source {
public:
    explicit FileSource(std::FILE* f) : f_(f) {}
    int read(void* buffer, int bytes) override {
        size_t n = std::fread(buffer, 1, size_t(bytes), f_);
        return std::ferror(f_) ? -1 : int(n);
    }
    bool seek(int64_t offset) override { return std::fseek(f_, long(offset), SEEK_SET) == 0; }
    int64_t tell() override { return std::ftell(f_); }

private:
    std::FILE* f_;
};

class FileSink : public nv::lz::Sink {
public:
    explicit FileSink(std::FILE* f) : f_(f) {}
    bool write(const void* buffer, size_t bytes) override { return std::fwrite(buffer, 1, bytes, f_) == bytes; }

private:
    std::FILE* f_;
};

const char* lzErrorText(int64_t e) {
    switch (e) {
    case LZERROR_READ:
        return "damaged or truncated compressed data";
    case LZERROR_WRITE:
        return "cannot write the destination";
    case LZERROR_GLOBALLOC:
        return "out of memory";
    case LZERROR_UNKNOWNALG:
        return "compressed with an unknown method";
    default:
        return "cannot read the source";
    }
}

int fail(const std::string& what) {
    std::fprintf(stderr, "nvmachine lz: %s\n", what.c_str());
    return 1;
}

int compress(const fs::path& src, const fs::path& dst) {
    auto read = nv::host::readFile(src);
    if (!read)
        return fail(read.error().message);
    std::vector<uint8_t> data(read->begin(), read->end());
    auto packed = nv::szdd::compress(data, nv::szdd::missingCharOf(src.filename().string()));
    if (!packed)
        return fail(src.string() + ": too large for the format (4 GiB at most)");
    // Written beside DST under a fresh name and renamed at the end, so a
    // failure leaves DST as it was.
    auto out = nv::host::StagedFile::create(dst);
    if (!out)
        return fail(out.error().message);
    if (std::fwrite(packed->data(), 1, packed->size(), out->file()) != packed->size())
        return fail(dst.string() + ": cannot be written");
    if (auto done = out->commit(); !done)
        return fail(done.error().message);
    return 0;
}

int expand(const fs::path& src, const fs::path& dst) {
    // Checked first: a folder or a pipe is refused by name, never opened.
    if (auto readable = nv::host::checkReadable(src); !readable)
        return fail(readable.error().message);
    std::FILE* in = std::fopen(src.c_str(), "rb");
    if (!in)
        return fail(src.string() + ": cannot be read");
    uint8_t first[nv::lz::kHeaderSize];
    size_t got = std::fread(first, 1, sizeof first, in);
    nv::lz::Kind kind = nv::lz::probe(std::span<const uint8_t>(first, got), nullptr);
    auto out = nv::host::StagedFile::create(dst);
    std::FILE* f = out ? out->file() : nullptr;
    int status = 0;
    if (!f) {
        status = fail(out ? dst.string() + ": cannot be created" : out.error().message);
    } else if (kind == nv::lz::Kind::NotCompressed) {
        // Plain files come through unchanged, as LZCopy copies them.
        std::rewind(in);
        std::vector<char> buf(1 << 16);
        size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), in)) > 0)
            if (std::fwrite(buf.data(), 1, n, f) != n)
                break;
        if (std::ferror(in) || std::ferror(f) || !out->commit())
            status = fail(dst.string() + ": copy failed");
    } else {
        FileSource source(in);
        FileSink sink(f);
        int64_t r = nv::lz::expand(source, sink);
        if (r < 0)
            status = fail(src.string() + ": " + lzErrorText(r));
        else if (!out->commit())
            status = fail(dst.string() + ": cannot be written");
    }
    std::fclose(in);
    return status;
}

int run(const nv::tool::Args& args) {
    if (args.size() != 3 || (args[0] != "compress" && args[0] != "expand"))
        return fail("usage: nvmachine lz compress|expand SRC DST");
    return args[0] == "compress" ? compress(args[1], args[2]) : expand(args[1], args[2]);
}

}  // namespace

NV_COMMAND("lz",
           "  lz compress SRC DST      SZDD-compress a host file (DST: usually NAME.EX_)\n"
           "  lz expand SRC DST        expand an SZDD host file (plain files are copied)",
           run);
