#include "shell/check_data.h"

#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

#include "audio/ogg_decoder.h"
#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "common/data_paths.h"
#include "models/model.h"
#include "models/smd_file.h"
#include "platform/paths.h"
#include "render/image_decode.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv {
namespace {

// Thrown out of the level's model lookup when a model will not read: the level cannot be
// walked past it, and the model has been reported already.
struct LevelStopsHere {};

class Checker {
  public:
    explicit Checker(std::string root) : root_(std::move(root)) { context_.DataRoot = root_; }

    DataCheck Run() {
        try {
            ImageLibrary images;
            for (const std::string& relative : paths::FixedGameFiles()) CheckFixed(relative);
        } catch (const std::exception& e) {
            out_.problems.push_back(std::string("image library: ") + e.what());
        }
        out_.files = static_cast<int>(outcome_.size());
        return std::move(out_);
    }

  private:
    std::string Full(std::string_view relative) const { return DataPath(root_, relative); }

    void CheckFixed(const std::string& relative) {
        const std::string path = Full(relative);
        if (relative == paths::kLevel) {
            CheckLevel(path);
        } else if (relative == std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)) {
            // read with the level, as the landscape does
        } else if (relative.ends_with(".3dk")) {
            CheckModel(path, relative == paths::kSkyModel);
        } else if (relative.ends_with(".smd")) {
            Check(path, [](const std::string& file) { ReadSmdFile(file); });
        } else if (relative.ends_with(".kpr")) {
            CheckParticles(path);
        } else if (relative.ends_with(".wav")) {
            Check(path, [](const std::string& file) { ReadWaveFile(file); });
        } else if (relative.ends_with(".ogg")) {
            Check(path, [](const std::string& file) {
                Status why;
                if (!OggDecoder::Open(file, &why)) throw why.error();
            });
        } else {
            CheckImage(path);
        }
    }

    // Reads `path` (any spelling) once: true when its file reads, false when it is missing or
    // bad (reported the first time). `read` gets the file as resolved on disk.
    template <class Read>
    bool Check(const std::string& path, Read&& read) {
        const std::string file = ResolvePath(path);
        if (auto seen = outcome_.find(file); seen != outcome_.end()) return seen->second;
        bool& ok = outcome_[file];
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) {
            out_.problems.push_back(file + ": missing");
            return ok = false;
        }
        try {
            read(file);
            return ok = true;
        } catch (const DataError& e) {
            out_.problems.push_back(file + ": offset " + std::to_string(e.offset()) + ": " + e.field() +
                                    ": " + e.message());
        } catch (const std::exception& e) {
            out_.problems.push_back(file + ": " + e.what());
        }
        return ok = false;
    }

    void CheckImage(const std::string& path) {
        Check(path, [](const std::string& file) {
            const std::vector<uint8_t> bytes = ReadWholeFile(file);
            DecodeImage(file, bytes.data(), bytes.size());
        });
    }

    // The model as the game reads it (the sky's reader for the sky), then its textures. The
    // object-kind byte when it reads.
    std::optional<uint8_t> CheckModel(const std::string& path, bool geometryOnly = false) {
        std::unique_ptr<TModel> model;
        const std::string file = ResolvePath(path);
        const bool ok = Check(path, [&](const std::string&) {
            model = geometryOnly ? TModel::ReadGeometryOnly(path, context_) : TModel::Read(path, context_);
        });
        if (!ok) return std::nullopt;
        if (!model) return kinds_[file];  // read before
        kinds_[file] = model->ObjectKind;
        for (const std::string& texture : model->TexturePaths()) CheckImage(texture);
        return model->ObjectKind;
    }

    void CheckParticles(const std::string& path) {
        ParticleFile particles;
        if (Check(path, [&](const std::string& file) { particles = ReadParticlesFile(file); }))
            CheckImage(Full(std::string(paths::kParticleTextureFolder) + particles.TextureName));
    }

    // The terrain first, then the level's records, each model loaded as its record comes.
    void CheckLevel(const std::string& levelPath) {
        TerrainFile terrain;
        if (Check(levelPath + std::string(paths::kTerrainSuffix),
                  [&](const std::string& file) { terrain = ReadTerrainFile(file); }))
            CheckImage(Full(std::string(paths::kWorldFolder) + terrain.TextureName));

        const auto modelKind = [&](const std::string& modelPath) -> uint8_t {
            const std::optional<uint8_t> kind = CheckModel(ResolvePath(Full(modelPath)));
            if (!kind) throw LevelStopsHere{};
            return *kind;
        };
        const auto onRecord = [&](const LevelFile& level, size_t k) {
            const LevelObject& rec = level.objects[k];
            if (rec.hasWaterBlock) CheckImage(Full(std::string(paths::kWaterFolder) + rec.textureName));
            if (rec.hasEmitterBlock)
                CheckParticles(Full(std::string(paths::kParticlesFolder) + rec.particleFile));
        };
        Check(levelPath, [&](const std::string& file) {
            try {
                ReadLevelFile(file, modelKind, onRecord);
            } catch (const LevelStopsHere&) {
            }
        });
    }

    std::string root_;
    ModelLoadContext context_;
    std::map<std::string, bool> outcome_;   // file on disk -> it read
    std::map<std::string, uint8_t> kinds_;  // model file -> its object kind
    DataCheck out_;
};

}  // namespace

DataCheck CheckData(const std::string& root) {
    return Checker(root).Run();
}

}  // namespace tv
