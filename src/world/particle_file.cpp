#include "world/particle_file.h"

#include <algorithm>
#include <cmath>

#include "common/binary_io.h"
#include "world/level_file.h"

namespace tv {

void ReadParticlesInto(ParticleFile& p, const std::vector<uint8_t>& bytes, const std::string& fileName) {
    ShortReadCursor c(bytes, fileName);
    c.I32(p.Count);
    for (float& v : p.Colour) c.F32(v, "colour");
    for (float& v : p.ColourDelta) c.F32(v, "colour change");
    c.F32(p.EmitCentre.x, "emission centre");
    c.F32(p.EmitCentre.y, "emission centre");
    c.F32(p.EmitCentre.z, "emission centre");
    c.F32(p.TargetCentre.x, "target centre");
    c.F32(p.TargetCentre.y, "target centre");
    c.F32(p.TargetCentre.z, "target centre");
    c.F32(p.Speed, "speed");
    c.F32(p.StartSize, "start size");
    c.F32(p.SizeDelta, "size change");
    c.F32(p.EmitSpread, "emission spread");
    c.F32(p.TargetSpread, "target spread");
    c.F32(p.Period, "period");
    c.U8(p.BlendMode);
    c.String(p.TextureName);
    c.WarnNonFinite();
    if (c.Cut()) WarnData(fileName, c.CutOffset(), "particles", "the file ends early: the missing fields keep their values");
}

ParticleFile ReadParticles(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    ParticleFile p;
    ReadParticlesInto(p, bytes, fileName);
    return p;
}

ParticleFile ReadParticlesFile(const std::string& path) {
    return ReadParticles(ReadWholeFile(path), path);
}

std::vector<uint8_t> WriteParticles(const ParticleFile& p) {
    ByteWriter w;
    w.I32(p.Count);
    for (float v : p.Colour) w.F32(v);
    for (float v : p.ColourDelta) w.F32(v);
    for (const Vec3& v : {p.EmitCentre, p.TargetCentre}) {
        w.F32(v.x);
        w.F32(v.y);
        w.F32(v.z);
    }
    for (float v : {p.Speed, p.StartSize, p.SizeDelta, p.EmitSpread, p.TargetSpread, p.Period}) w.F32(v);
    w.U8(p.BlendMode);
    w.LengthPrefixedString(p.TextureName);
    return std::move(w.Data());
}

float ParticleRadius(const ParticleFile& p) {
    const float dx = p.TargetCentre.x - p.EmitCentre.x;
    const float dy = p.TargetCentre.y - p.EmitCentre.y;
    const float dz = p.TargetCentre.z - p.EmitCentre.z;
    return std::max({std::sqrt(dx * dx + dy * dy + dz * dz), p.EmitSpread, p.TargetSpread});
}

}  // namespace tv
