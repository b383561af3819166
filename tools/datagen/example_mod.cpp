// The example mod: what a modder's folder looks like, made from the default set's own pieces.

#include <chrono>
#include <filesystem>

#include "common/data_paths.h"
#include "dataset.h"

namespace tv::datagen {

DataSetSummary GenerateExampleMod(const std::string& outDir) {
    const auto start = std::chrono::steady_clock::now();
    std::filesystem::create_directories(outDir);
    DataWriter out(outDir);

    // A sunset sky: the default one turned from blue towards orange.
    Image sky = DefaultSkyImage();
    for (int row = 0; row < sky.Height(); ++row)
        for (int x = 0; x < sky.Width(); ++x) sky.At(x, row) = HueShift(sky.At(x, row), 160.0f);
    out.PutJpeg(paths::kSkyTexture, sky, 88);

    // A second windmill in the field ahead of the turret, left of the sight at the start.
    LevelFile level = DefaultLevel();
    level.objects.push_back(GroundedMapModel("3DOBJEKT\\map\\windmill.3dk", 470.0f, 590.0f, 160.0f));
    level.objectCount = static_cast<int32_t>(level.objects.size());
    out.Put(paths::kLevel, WriteLevel(level));

    DataSetSummary s;
    s.files = out.FileCount();
    s.bytes = out.ByteCount();
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return s;
}

}  // namespace tv::datagen
