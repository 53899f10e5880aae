#include "samples/builder/DiskBuilder.h"

#include <fstream>
#include <iterator>
#include <string>

#include "tools/exefile/ExeWriter.h"
#include "tools/szdd/SzddCompressor.h"

namespace nv::sample {

namespace fs = std::filesystem;

namespace {

Error fileError(const DiskFile& file, const std::string& what) {
    return Error::win32(ERROR_INVALID_DATA, "disks.txt:" + std::to_string(file.line) + ": " + file.name + ": " + what);
}

std::string stem(std::string_view name) {
    std::string s(name.substr(0, name.find('.')));
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

exefile::VersionInfo versionInfo(const DiskFile& file) {
    exefile::VersionInfo info;
    info.fileVersion = *file.version;
    switch (file.make) {
    case Make::Ne:
        info.fileType = 3;      // VFT_DRV
        info.fileSubtype = 10;  // VFT2_DRV_PRINTER
        break;
    case Make::Le:
    case Make::LeBz:
        info.fileType = 5;      // VFT_VXD
        break;
    case Make::PeExe:
        info.fileType = 1;      // VFT_APP
        break;
    default:
        info.fileType = 2;      // VFT_DLL
        break;
    }
    info.strings = {
        {"CompanyName", kCompanyName},
        {"FileDescription", file.description},
        {"InternalName", stem(file.name)},
        {"LegalCopyright", "Copyright (C) Norvalk 1995-1997"},
        {"OriginalFilename", file.name},
        {"ProductName", kProductName},
    };
    return info;
}

}  // namespace

Result<std::vector<uint8_t>> readHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Error::win32(ERROR_FILE_NOT_FOUND, path.string() + ": cannot be read");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return Error::win32(ERROR_READ_FAULT, path.string() + ": read error");
    return bytes;
}

Result<void> writeHostFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        return Error::win32(ERROR_WRITE_FAULT, path.string() + ": cannot be written");
    return {};
}

Result<std::vector<uint8_t>> makeFileBytes(const DiskFile& file, const fs::path& productDir) {
    switch (file.make) {
    case Make::File: {
        auto bytes = readHostFile(productDir / file.source);
        if (!bytes)
            return fileError(file, bytes.error().message);
        return bytes;
    }
    case Make::Tag: {
        std::string text = file.description + "\r\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    case Make::Ne: {
        auto info = versionInfo(file);
        return exefile::writeNe(&info, stem(file.name));
    }
    case Make::Le:
    case Make::LeBz: {
        auto info = versionInfo(file);
        auto bytes = exefile::writeLe(&info, stem(file.name));
        if (file.make == Make::LeBz) {
            if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z')
                return fileError(file, "the LE writer gave no MZ header to replace");
            bytes[0] = 'B';
            bytes[1] = 'Z';
        }
        return bytes;
    }
    case Make::PeExe:
    case Make::PeDll: {
        auto info = versionInfo(file);
        return exefile::writePe(&info, file.make == Make::PeExe ? exefile::PeKind::Exe : exefile::PeKind::Dll);
    }
    }
    return fileError(file, "unknown kind of file");
}

Result<std::vector<uint8_t>> storedBytes(const DiskFile& file, const std::vector<uint8_t>& content) {
    if (file.store == Store::Plain)
        return content;
    // The stored character lets an expander give back the full name of a
    // NAME.EX_ file; a file kept under its own name has nothing missing.
    char missing = file.store == Store::Lz ? szdd::missingCharOf(file.name) : '\0';
    auto packed = szdd::compress(content, missing);
    if (!packed)
        return fileError(file, "cannot be compressed");
    return std::move(*packed);
}

Result<void> buildDisks(const Manifest& manifest, const fs::path& productDir, const fs::path& outDir) {
    std::error_code ec;
    for (int disk = 1; disk <= manifest.diskCount(); ++disk) {
        fs::remove_all(outDir / ("DISK" + std::to_string(disk)), ec);
        if (ec)
            return Error::win32(ERROR_ACCESS_DENIED, (outDir / ("DISK" + std::to_string(disk))).string() + ": " + ec.message());
    }
    for (const auto& file : manifest.files) {
        auto content = NV_TRY(makeFileBytes(file, productDir));
        auto stored = NV_TRY(storedBytes(file, content));
        NV_TRY(writeHostFile(outDir / file.diskPath(), stored));
    }
    return {};
}

}  // namespace nv::sample
