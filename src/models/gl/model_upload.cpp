// The GPU half of loading a model: its textures and the vertex buffer of a buffered mesh,
// made from what Read left in the model. The full loaders are Read followed by Upload.

#include <epoxy/gl.h>

#include "models/model.h"
#include "render/gl/gpu_store.h"

namespace tv {

std::unique_ptr<TModel> TModel::Create(const std::string& path, const ModelLoadContext& context) {
    std::unique_ptr<TModel> model = Read(path, context);
    if (context.Gpu) model->Upload(*context.Gpu);
    return model;
}

std::unique_ptr<TModel> TModel::CreateGeometryOnly(const std::string& path, const ModelLoadContext& context) {
    std::unique_ptr<TModel> model = ReadGeometryOnly(path, context);
    if (context.Gpu) model->Upload(*context.Gpu);
    return model;
}

void TModel::Upload(GpuStore& gpu) {
    gpu_ = &gpu;
    // Textures first, then the buffer: the order the names were always made in.
    std::vector<uint64_t> uses(texturePaths_.size(), 0);
    for (uint32_t t : slotTexture_) ++uses[t];
    textures_.clear();
    textures_.reserve(texturePaths_.size());
    for (size_t t = 0; t < texturePaths_.size(); ++t)
        textures_.push_back(gpu.SharedTexture(texturePaths_[t], uses[t]).id());
    if (ModelType == ModelType::SkinnedBuffer || ModelType == ModelType::StaticBuffer) UploadVertexBuffer();
}

void TModel::UploadVertexBuffer() {
    const std::vector<float> vertices = VertexBufferData();
    GLuint name = 0;
    glGenBuffers(1, &name);
    vertexBuffer_ = gpu_->AdoptBuffer(name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace tv
