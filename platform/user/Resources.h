// The program's resources: byte blocks registered under an instance, a type
// and a name, as an executable's resource section would hold them.
// FindResourceA, LoadResource, LockResource, SizeofResource, LoadStringA,
// DialogBoxParamA and LoadCursorA/LoadIconA look them up here.
//
// Contract:
//  - Types and names are integer ids (MAKEINTRESOURCE) or strings; a string
//    "#123" is the id 123; string names are compared without regard to case.
//  - A lookup with instance NULL finds a resource of any instance.
//  - Registering the same instance, type and name again replaces the bytes.
//  - String tables use the executable layout: block id/16+1 of RT_STRING
//    holds 16 strings, each a WORD length and UTF-16 characters.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace nv::user::resources {

struct Resource {
    HINSTANCE instance = nullptr;
    std::string type;  // "#5" or the upper-cased name
    std::string name;
    std::vector<BYTE> data;
};

void add(HINSTANCE instance, LPCSTR type, LPCSTR name, std::vector<BYTE> data);
const Resource* find(HINSTANCE instance, LPCSTR type, LPCSTR name);
// Builds the RT_STRING blocks of these strings (ANSI texts).
void addStringTable(HINSTANCE instance, const std::map<UINT, std::string>& strings);
// The printable form of a type or name ("#5", "SELECTDRV").
std::string key(LPCSTR typeOrName);
void clear();

}  // namespace nv::user::resources
