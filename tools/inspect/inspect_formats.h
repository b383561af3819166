#pragma once
// One JSON line per data file: the inspector's view of every format the game reads.

#include <cstdint>
#include <string>
#include <vector>

namespace tv::inspect {

// The format a file name's extension selects: "model" (.3dk), "animation" (.smd), "level"
// (.wrd), "terrain" (.map), "particles" (.kpr), "wave" (.wav), or "" for anything else.
std::string FormatForPath(const std::string& path);

std::string InspectModel(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::string InspectAnimation(const std::vector<uint8_t>& bytes, const std::string& fileName);
// Model paths of a level are looked up under dataDir (ending in '/') for their object kinds.
std::string InspectLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                         const std::string& dataDir);
std::string InspectTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::string InspectParticles(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::string InspectWave(const std::vector<uint8_t>& bytes, const std::string& fileName);

// Reads the file and dispatches on its extension; raises DataError for unreadable, unknown or
// bad files.
std::string InspectFile(const std::string& path, const std::string& dataDir);

// The whole content of a model, level, terrain or particle file as a multi-line JSON document
// (see docs/FORMATS.md); raises DataError for other files, bad files, and files whose bytes
// the document could not give back exactly.
std::string FullFile(const std::string& path, const std::string& dataDir);

}  // namespace tv::inspect
