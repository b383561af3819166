#pragma once
// A small mesh-building toolkit for the generated models: primitives become triangles with
// normals, texture coordinates and a bone, then get grouped by texture.
//
// Texture coordinates are kept as (u, row) with row = 0 at the image row the game's loader
// delivers first; the model writer turns them into the file's s, t for each model type.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace tv::datagen {

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float k);
V3 Cross(V3 a, V3 b);
float Dot(V3 a, V3 b);
float Length(V3 a);
V3 Normalised(V3 a);

// A texture region: the primitive's (0..1, 0..1) surface coordinates land in this
// rectangle of the texture (u0, row0) – (u1, row1).
struct UvRect {
    float u0 = 0, row0 = 0, u1 = 1, row1 = 1;
};

struct MeshVertex {
    V3 pos;
    V3 normal;
    float u = 0, row = 0;
    int bone = 0;
};

struct MeshTriangle {
    std::array<MeshVertex, 3> v;
    int group = 0;     // texture slot
    int material = 0;  // atlas row used by AssignAtlasUv
};

// 3x3 rotation as rows, plus translation: p' = R p + t.
struct Xform {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    V3 t;
    V3 Apply(V3 p) const;
    V3 ApplyDir(V3 d) const;
    static Xform Translate(V3 t);
    static Xform RotX(float deg);
    static Xform RotY(float deg);
    static Xform RotZ(float deg);
    static Xform Scale(V3 s);
};
Xform operator*(const Xform& a, const Xform& b);  // a after b

class Mesh {
public:
    // Current state applied to everything added next.
    int group = 0;
    int bone = 0;
    int material = 0;
    UvRect uv;

    void Triangle(V3 a, V3 b, V3 c, float ua, float ra, float ub, float rb, float uc, float rc);
    // Quad a-b-c-d counter-clockwise seen from outside; (s,t) surface coords 0..1 per corner.
    void Quad(V3 a, V3 b, V3 c, V3 d);
    // Axis-aligned box from its centre and size.
    void Box(V3 centre, V3 size);
    // A tube along +z from z0 to z1 with radii r0 (at z0) and r1 (at z1), centred on (cx, cy);
    // rx/ry scale the section to an ellipse. Caps optional.
    void Tube(float cx, float cy, float z0, float z1, float r0, float r1, int sides, bool cap0, bool cap1,
              float sx = 1, float sy = 1);
    // A body of revolution about +z through the given (z, radius) profile.
    void Lathe(const std::vector<std::pair<float, float>>& profile, int sides, float sx = 1, float sy = 1);
    // Sphere (ellipsoid with `scale`), `rings` latitude bands, `sides` longitude steps.
    void Sphere(V3 centre, float radius, int rings, int sides, V3 scale = {1, 1, 1}, bool inward = false);
    // A closed 2-D outline (counter-clockwise in its own x–y plane) extruded by `depth` along
    // its z; placed with `place`.
    void Extrude(const std::vector<std::pair<float, float>>& outline, float depth, const Xform& place);
    // A wing panel: a slab between a root chord and a tip chord. Root leading edge at `root`,
    // chords run along -z (towards the tail), span runs along `spanDir`, thickness along
    // `upDir`. Tip leading edge is `root + spanDir * span + back * sweep`.
    void Wing(V3 root, V3 spanDir, V3 upDir, float span, float rootChord, float tipChord, float sweep,
              float thickness);

    // Turns every triangle added since `mark` to face away from their common centre (for
    // convex parts built without regard to handedness).
    void OrientOutward(size_t mark);
    // Applies `x` to everything added since `mark`.
    void TransformSince(size_t mark, const Xform& x);
    size_t Mark() const { return tris_.size(); }
    void Append(const Mesh& other);

    const std::vector<MeshTriangle>& Triangles() const { return tris_; }
    std::vector<MeshTriangle>& Triangles() { return tris_; }
    // Stable-sorts the triangles by group so each texture's triangles are consecutive.
    void SortByGroup();
    // Per-group triangle counts for groups 0 .. groupCount-1.
    std::vector<int> GroupCounts(int groupCount) const;
    // Bounding box of all positions (model space, i.e. after applying `boneToModel`).
    void Bounds(V3& lo, V3& hi, const std::function<V3(const MeshVertex&)>& toModel = nullptr) const;

private:
    MeshVertex Make(V3 p, V3 n, float s, float t) const;
    std::vector<MeshTriangle> tris_;
};

// Shaded-atlas texturing. Lighting is off in the game, so form has to come from the
// texture: the atlas holds every material (rows) at `shadeLevels` brightnesses (columns).
// Each triangle picks the column from how much its normal faces `light`, and its texture
// coordinates are a planar projection of the model's bounding box onto the cell, along the
// normal's dominant axis. `toModel` maps a vertex into the common frame (for bone-local
// vertices); null means positions are already in it.
struct AtlasLayout {
    int materials = 4;
    int shadeLevels = 4;
    float marginPixels = 3;
    int texturePixels = 1024;
    // Part of each cell the projection uses (both directions), for meshes that should show
    // only a patch of a material, like a fragment of a painted hull.
    float windowLo = 0, windowHi = 1;
    // Brightness of the darkest shade (faces turned away from the light); the brightest is 1.
    float darkest = 0.42f;
};
float ShadeForLevel(int level, const AtlasLayout& layout);
void AssignAtlasUv(Mesh& mesh, const AtlasLayout& layout, V3 light,
                   const std::function<V3(const MeshVertex&)>& toModel = nullptr,
                   const std::function<V3(V3)>& normalToModel = nullptr);

}  // namespace tv::datagen
