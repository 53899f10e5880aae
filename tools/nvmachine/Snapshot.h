// The recorded state of a machine, for `nvmachine snapshot` and `diff`.
//
// Text form (one record a line, fields separated by one TAB; in a field the
// bytes 00-1F, 7F and '%' are written %XX):
//
//   nvmachine snapshot 2
//   [settings]
//   setting  SECTION  LINE                 machine.ini, normalised
//   [files]
//   dir      C:\WINDOWS
//   file     C:\WINDOWS\WIN.INI  SIZE  HASH    HASH: FNV-1a 64, 16 hex digits
//   link     C:\ODD                       a symbolic link (never followed)
//   [ini]
//   ini      C:\WINDOWS\WIN.INI  SECTION  LINE  every non-blank line of every
//                                               *.INI file, trimmed; the header
//                                               line counts as a line of its
//                                               section; "" before the first
//   [registry]
//   key      HKEY_LOCAL_MACHINE\Software
//   value    KEY  NAME  DATA          NAME and DATA as in a REGEDIT4 file
//   [printers]                        the print spooler, as its calls see it
//   printer  NAME  DRIVER  PORT  PROCESSOR  DATATYPE  0xATTRIBUTES  default|""
//   driver   NAME  DRIVER  DATA  CONFIG  HELP  DEPENDENT;FILES  MONITOR  DATATYPE
//   monitor  NAME  DLL
//   processor NAME DLL
//   [groups]                          Program Manager's groups
//   group    NAME
//   item     GROUP  TITLE  TARGET  ARGUMENTS  ICON,INDEX  WORKDIR
//   damaged  PATH: WHY                  a link that cannot be read
//
//   end      COUNT  CHECKSUM            the last line: how many records the
//                                       file holds, and FNV-1a 64 (16 hex
//                                       digits) of every byte before this line
//
// Areas come in the order above; records within an area are sorted. Lines
// starting with '#' and blank lines are ignored when reading. An area diff()
// does not know is compared line by line. Reading checks every line: the
// records of the known areas by their kind and fields, every record for raw
// control bytes, and the end line against the count and the checksum, so a
// cut or edited snapshot is refused with the line that is wrong.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace nv::tool {

class Snapshot {
public:
    // Records the machine in `dir` (its settings, drives, registry file,
    // spooler and groups). It attaches the machine while it reads it, and
    // detaches it afterwards.
    static Result<Snapshot> take(const std::filesystem::path& dir);
    // Reads the text form; `name` is used in error messages.
    static Result<Snapshot> parse(std::string_view text, std::string_view name);

    std::string text() const;
    void add(const std::string& area, std::vector<std::string> fields);

    // Records of each area, in area order.
    const std::vector<std::pair<std::string, std::vector<std::string>>>& areas() const { return areas_; }

private:
    std::vector<std::string>& area(const std::string& name);
    void sort();

    std::vector<std::pair<std::string, std::vector<std::string>>> areas_;
};

// What changed from `before` to `after`, one line per difference:
//   + RECORD            added
//   - RECORD            removed
//   ~ RECORD  ->  NEW   changed (files: same path; registry values: same key
//                       and name); after "->" the changed fields of the new
//                       record.
// RECORD is the record as in the snapshot text (TAB separated). Areas come in
// snapshot order, each difference under a line "[AREA]". Empty when equal.
std::string diff(const Snapshot& before, const Snapshot& after);

// Ends the text of a snapshot (header, areas and records) with its end line.
std::string sealSnapshot(std::string body);

// The field escaping of the text form.
std::string escapeField(std::string_view s);
std::string unescapeField(std::string_view s);

}  // namespace nv::tool
