#pragma once
// The data files as complete JSON documents and back: models (.3dk), levels (.wrd), terrains
// (.wrd.map) and particle systems (.kpr). FullJson writes every field of a file; PackJson
// builds the file from such a document, byte for byte. docs/FORMATS.md describes the
// documents.

#include <cstdint>
#include <string>
#include <vector>

#include "json_doc.h"
#include "world/level_file.h"

namespace tv::json {

inline constexpr int kSchema = 1;

enum class FileFormat { Model, Level, Terrain, Particles };

// The format a file name's extension selects (any letter case); false for other names.
bool FormatForName(const std::string& path, FileFormat& out);

// True when `s` ends in `suffix` (given in lower case), in any letter case.
bool EndsWithNoCase(const std::string& s, const std::string& suffix);

// The whole content of `bytes` as one JSON document (several lines, ending in a newline).
// `modelKind` gives the object-kind byte of a level's models (only levels call it). Raises
// DataError for a file the game's reader refuses, and for one the document cannot carry
// exactly (a file cut short inside a record, a negative string length): it checks that the
// document packs back to these very bytes.
std::string FullJson(const std::vector<uint8_t>& bytes, const std::string& fileName, FileFormat format,
                     const ModelKindLookup& modelKind);

// The file a document describes. Raises JsonError (the JSON path and the reason) for a wrong
// type, a missing or unknown member, a count that disagrees with its array, or a value outside
// what the format can hold or its reader accepts.
std::vector<uint8_t> PackJson(const Document& doc);

}  // namespace tv::json
