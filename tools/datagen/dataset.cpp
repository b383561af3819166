#include "dataset.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/error.h"

namespace tv::datagen {

DataWriter::DataWriter(std::string outDir) : out_(std::move(outDir)) {}

void DataWriter::Put(std::string_view gamePath, const std::vector<uint8_t>& bytes) {
    std::string rel(gamePath);
    for (char& c : rel)
        if (c == '\\') c = '/';
    if (written_.count(rel)) throw Error("data set writes " + rel + " twice");
    std::filesystem::path path = std::filesystem::path(out_) / rel;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw Error("cannot write " + path.string());
    written_[rel] = bytes.size();
    bytes_ += bytes.size();
}

void DataWriter::PutJpeg(std::string_view gamePath, const Image& img, int quality) {
    Put(gamePath, EncodeJpeg(img, quality));
}

void DataWriter::PutPng(std::string_view gamePath, const Image& img, bool withAlpha) {
    Put(gamePath, EncodePng(img, withAlpha));
}

void DataWriter::PutModel(std::string_view gamePath, const ModelFile& model) {
    Put(gamePath, WriteModel(model));
    std::string rel(gamePath);
    for (char& c : rel)
        if (c == '\\') c = '/';
    modelTriangles_[rel] = static_cast<int>(model.Triangles.size());
}

DataSetSummary GenerateDataSet(const std::string& outDir) {
    auto start = std::chrono::steady_clock::now();
    std::filesystem::create_directories(outDir);
    DataWriter out(outDir);
    GenerateInterfaceArt(out);
    GenerateEffectArt(out);
    GenerateSky(out);
    GenerateTurret(out);
    GenerateAircraft(out);
    GenerateWorld(out);
    GenerateSounds(out);
    DataSetSummary s;
    s.files = out.FileCount();
    s.bytes = out.ByteCount();
    s.modelTriangles = out.ModelTriangles();
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return s;
}

}  // namespace tv::datagen
