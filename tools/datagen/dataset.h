#pragma once
// The default data set: every file the game opens, generated from code.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "image.h"
#include "models/model_file.h"
#include "world/level_file.h"

namespace tv::datagen {

// Writes files below the output folder by their game path (backslashes allowed), each once.
class DataWriter {
public:
    explicit DataWriter(std::string outDir);
    void Put(std::string_view gamePath, const std::vector<uint8_t>& bytes);
    void PutJpeg(std::string_view gamePath, const Image& img, int quality = 90);
    void PutPng(std::string_view gamePath, const Image& img, bool withAlpha);
    // Writes a model and records its triangle count for the summary.
    void PutModel(std::string_view gamePath, const ModelFile& model);

    int FileCount() const { return static_cast<int>(written_.size()); }
    uint64_t ByteCount() const { return bytes_; }
    const std::map<std::string, int>& ModelTriangles() const { return modelTriangles_; }

private:
    std::string out_;
    std::map<std::string, uint64_t> written_;
    std::map<std::string, int> modelTriangles_;
    uint64_t bytes_ = 0;
};

struct DataSetSummary {
    int files = 0;
    uint64_t bytes = 0;
    double seconds = 0;
    std::map<std::string, int> modelTriangles;
};

// Generates the whole set into outDir (created if missing). Deterministic: the same bytes on
// every run. Throws std::runtime_error on an I/O failure.
DataSetSummary GenerateDataSet(const std::string& outDir);

// The parts, each writing its own files.
void GenerateInterfaceArt(DataWriter& out);  // font, sight, radar, flares, NOTEXTURE
void GenerateEffectArt(DataWriter& out);     // explosions, bullets, flame, smoke, particles
void GenerateSky(DataWriter& out);           // sky sphere and its texture
void GenerateSounds(DataWriter& out);        // sound effects and music
void GenerateTurret(DataWriter& out);        // turret model, its skeleton animation, texture
void GenerateAircraft(DataWriter& out);      // eight aircraft models, wrecks, fragments
void GenerateWorld(DataWriter& out);         // terrain, level, map models, water, emitters

// Pieces of the default set that the example mod builds on.
Image DefaultSkyImage();     // the sky texture's pixels
LevelFile DefaultLevel();    // the records of the default world\1.wrd
// A record placing a map model on the default terrain at (x, y), turned yawDeg about z.
LevelObject GroundedMapModel(const std::string& modelPath, float x, float y, float yawDeg);

// A small mod over the default set, written into outDir (created if missing): the sky
// texture with its hues turned, and the level with one map object more (a windmill in the
// turret's first view). Deterministic. Throws std::runtime_error on an I/O failure.
DataSetSummary GenerateExampleMod(const std::string& outDir);

}  // namespace tv::datagen
