#include "sdl/sdl_main_window.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/i18n.h"
#include "common/report.h"
#include "render/png_file.h"
#include "sdl/font_lookup.h"
#include "shell/game.h"
#include "shell/settings.h"

namespace tv::sdl {
namespace {

constexpr float kFontPixels = 13.0f;
// The options menu's text.
constexpr float kMenuFontPixels = 18.0f;
// The menu's letters: Latin with its first supplement and extension (the translations), Cyrillic
// with its supplement, and the punctuation of the texts (dashes, ellipsis, quotes).
constexpr ImWchar kMenuGlyphs[] = {0x0020, 0x017F, 0x0400, 0x052F, 0x2000, 0x206F, 0};
// An icon is a few hundred pixels square; anything past this is not one.
constexpr png_uint_32 kMaxIconSide = 1024;
// The window's face colour, shown wherever the game draws nothing.
constexpr float kFace[3] = {0.941f, 0.941f, 0.941f};

// Where the full-screen window goes: monitor `display`'s place on the desktop and its size.
void DesktopBounds(int display, int& x, int& y, int& w, int& h) {
    SDL_Rect bounds;
    x = y = 0;
    if (SDL_GetDisplayBounds(display, &bounds) == 0) {
        x = bounds.x;
        y = bounds.y;
    }
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
        w = mode.w;
        h = mode.h;
    } else {
        w = 1014;
        h = 702;
    }
}

// The buttons' font at `pixels`: the condensed face where one is installed, as the captions
// were drawn for; ImGui's built-in font (Latin only) when no font will do, which `report`
// says on stderr.
void AddCaptionFont(ImGuiIO& io, float pixels, bool report) {
    UiFont font = FindUiFont(FontWidth::Condensed);
    if (font.Found()) {
        // The atlas frees what it was given with ImGui's own allocator.
        void* data = IM_ALLOC(font.bytes.size());
        std::memcpy(data, font.bytes.data(), font.bytes.size());
        ImFontConfig config;
        config.FontNo = font.faceIndex;
        config.FontDataOwnedByAtlas = true;
        if (io.Fonts->AddFontFromMemoryTTF(data, static_cast<int>(font.bytes.size()), pixels, &config,
                                           io.Fonts->GetGlyphRangesCyrillic())) {
            // The menu's font: the same face, larger by as much; the data stays the first font's.
            config.FontDataOwnedByAtlas = false;
            io.Fonts->AddFontFromMemoryTTF(data, static_cast<int>(font.bytes.size()),
                                           kMenuFontPixels * pixels / kFontPixels, &config, kMenuGlyphs);
            return;
        }
    }
    if (report)
        Warn(std::string("no font with Cyrillic letters found (fontconfig, ") + kShippedFont +
             " in the data folder); button captions fall back to the built-in font");
    // As AddFontDefault() sets it up by itself, only at this size.
    ImFontConfig config;
    config.OversampleH = config.OversampleV = 1;
    config.PixelSnapH = true;
    config.SizePixels = pixels;
    io.Fonts->AddFontDefault(&config);
}

}  // namespace

SdlMainWindow::SdlMainWindow(bool fullscreen, int windowedWidth, int windowedHeight, int display)
    : fullscreen_(fullscreen), windowedWidth_(windowedWidth), windowedHeight_(windowedHeight), display_(display) {
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = windowedWidth, h = windowedHeight;
    if (fullscreen) {
        // Borderless and maximised; the size is the desktop's in case no window manager
        // honours the maximise request.
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_MAXIMIZED;
        DesktopBounds(display_, x, y, w, h);
    }
    gl_ = std::make_unique<GlWindow>("Form1", x, y, w, h, flags);
    if (!gl_->Ok()) {
        error_ = gl_->status().Message();
        return;
    }
    SetVsync(false);
    // Smaller, the HUD's lines and the buttons cover each other.
    SDL_SetWindowMinimumSize(gl_->Window(), kMinWindowWidth, kMinWindowHeight);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is written beside the game
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(0, 0);
    style.WindowBorderSize = 0.0f;
    style.WindowMinSize = ImVec2(1, 1);
    style.FrameBorderSize = 1.0f;
    style.Colors[ImGuiCol_Button] = ImVec4(0.88f, 0.88f, 0.88f, 1.0f);
    style.Colors[ImGuiCol_ButtonHovered] = ImVec4(0.90f, 0.95f, 1.0f, 1.0f);
    style.Colors[ImGuiCol_ButtonActive] = ImVec4(0.80f, 0.88f, 0.97f, 1.0f);
    style.Colors[ImGuiCol_Border] = ImVec4(0.68f, 0.68f, 0.68f, 1.0f);
    baseStyle_ = std::make_unique<ImGuiStyle>(style);
    AddCaptionFont(io, kFontPixels, true);
    ImGui_ImplSDL2_InitForOpenGL(gl_->Window(), gl_->Context());
    ImGui_ImplOpenGL2_Init();
    imguiReady_ = true;
}

SdlMainWindow::~SdlMainWindow() {
    if (imguiReady_) {
        if (gl_->Context()) {
            gl_->MakeCurrent();
            ImGui_ImplOpenGL2_Shutdown();
        }
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
    }
    // The context and then the window go with gl_.
}

bool SdlMainWindow::SetIcon(const std::string& path) {
    if (!Ok()) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.width == 0 || image.height == 0 || image.width > kMaxIconSide || image.height > kMaxIconSide) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return false;
    SDL_SetWindowIcon(gl_->Window(), surface);  // SDL keeps its own copy
    SDL_FreeSurface(surface);
    return true;
}

void SdlMainWindow::SetUiScale(double scale) {
    scale = std::clamp(scale, 1.0, 3.0);
    if (!imguiReady_ || scale == uiScale_) return;
    uiScale_ = scale;
    // Glyphs drawn at the size they are shown (not magnified), and every size of the style.
    ImGuiStyle& style = ImGui::GetStyle();
    style = *baseStyle_;
    style.ScaleAllSizes(static_cast<float>(scale));
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    AddCaptionFont(io, kFontPixels * static_cast<float>(scale), false);
    // The back-end makes the font texture again at the next frame.
    if (gl_->MakeCurrent()) ImGui_ImplOpenGL2_DestroyFontsTexture();
}

float SdlMainWindow::DisplayDpi() const {
    if (!Ok()) return 0.0f;
    const int display = SDL_GetWindowDisplayIndex(gl_->Window());
    float diagonal = 0.0f, horizontal = 0.0f, vertical = 0.0f;
    if (display < 0 || SDL_GetDisplayDPI(display, &diagonal, &horizontal, &vertical) != 0) return 0.0f;
    return horizontal;
}

void SdlMainWindow::SetCaption(const std::string& caption) {
    SDL_SetWindowTitle(gl_->Window(), caption.c_str());
}

int SdlMainWindow::Width() const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(gl_->Window(), &w, &h);
    return w;
}

int SdlMainWindow::Height() const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(gl_->Window(), &w, &h);
    return h;
}

void SdlMainWindow::WindowSize(int& width, int& height) const {
    SDL_GetWindowSize(gl_->Window(), &width, &height);
}

void SdlMainWindow::ToggleFullscreen() {
    if (!Ok()) return;
    SDL_Window* window = gl_->Window();
    if (fullscreen_) {
        SDL_RestoreWindow(window);
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowSize(window, windowedWidth_, windowedHeight_);
        if (hasWindowedPosition_)
            SDL_SetWindowPosition(window, windowedX_, windowedY_);
        else
            SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        // Remembered so that leaving full screen again gives back the size and place the
        // player chose.
        SDL_GetWindowSize(window, &windowedWidth_, &windowedHeight_);
        SDL_GetWindowPosition(window, &windowedX_, &windowedY_);
        hasWindowedPosition_ = true;
        int x = 0, y = 0, w = 0, h = 0;
        DesktopBounds(display_, x, y, w, h);
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowPosition(window, x, y);
        SDL_SetWindowSize(window, w, h);
        SDL_MaximizeWindow(window);
    }
    fullscreen_ = !fullscreen_;
}

void SdlMainWindow::SetWindowedSize(int width, int height) {
    windowedWidth_ = width;
    windowedHeight_ = height;
    if (!Ok() || fullscreen_) return;
    SDL_SetWindowSize(gl_->Window(), width, height);
    SDL_SetWindowPosition(gl_->Window(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void SdlMainWindow::PlaceWindowed(int x, int y) {
    if (!Ok()) return;
    hasWindowedPosition_ = true;
    windowedX_ = x;
    windowedY_ = y;
    if (!fullscreen_) SDL_SetWindowPosition(gl_->Window(), x, y);
}

WindowState SdlMainWindow::Placement() const {
    WindowState state;
    state.width = windowedWidth_;
    state.height = windowedHeight_;
    state.hasPosition = hasWindowedPosition_;
    state.x = windowedX_;
    state.y = windowedY_;
    state.display = display_;
    if (!Ok()) return state;
    if (!fullscreen_) {
        SDL_GetWindowSize(gl_->Window(), &state.width, &state.height);
        SDL_GetWindowPosition(gl_->Window(), &state.x, &state.y);
        state.hasPosition = true;
    } else if (const int shown = SDL_GetWindowDisplayIndex(gl_->Window()); shown >= 0) {
        state.display = shown;  // where the window manager has it now
    }
    state.width = std::clamp(state.width, kMinWindowWidth, kMaxWindowSide);
    state.height = std::clamp(state.height, kMinWindowHeight, kMaxWindowSide);
    return state;
}

void SdlMainWindow::SetVsync(bool on) {
    if (!Ok()) return;
    if (on) {
        // -1 is adaptive sync (a late frame is shown at once instead of waiting a whole
        // refresh); drivers without it refuse, and plain sync is the next best.
        if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    } else {
        SDL_GL_SetSwapInterval(0);
    }
}

bool SdlMainWindow::MakeGLCurrent() {
    return Ok() && gl_->MakeCurrent();
}

void SdlMainWindow::DeleteGLContext() {
    // The game's GL objects (buffers, textures) are released when the Game goes, after the
    // shutdown; the context has to outlive them, so it is deleted with the window.
    deleteRequested_ = true;
}

void SdlMainWindow::DrawControls() {
    if (!imguiReady_ || !form_) return;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoBackground |
                                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    for (int i = 0; i < kFormButtonCount; ++i) {
        const FormButton& b = form_->buttons[i];
        if (!b.visible) continue;
        ImGui::SetNextWindowPos(ImVec2(static_cast<float>(b.left), static_cast<float>(b.top)));
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(b.width), static_cast<float>(b.height)));
        char id[16];
        std::snprintf(id, sizeof id, "##button%d", i);
        ImGui::Begin(id, nullptr, flags);
        // A caption wider than its button is narrowed to fit rather than cut off.
        const char* caption = Tr(b.caption);
        const float scale = static_cast<float>(uiScale_);
        const float room = static_cast<float>(b.width) - 6.0f * scale;
        const float textWidth = ImGui::CalcTextSize(caption).x;
        ImGui::SetWindowFontScale(textWidth > room ? room / textWidth : 1.0f);
        // Clicks are decided by the window's own hit test (the loop), not here.
        ImGui::Button(caption, ImVec2(static_cast<float>(b.width), static_cast<float>(b.height)));
        ImGui::End();
        if (i == focused_) {
            // The controller's focus: a frame just outside the button, over everything.
            const float gap = 2.0f * scale;
            const ImVec2 min(static_cast<float>(b.left) - gap, static_cast<float>(b.top) - gap);
            const ImVec2 max(static_cast<float>(b.left + b.width) + gap, static_cast<float>(b.top + b.height) + gap);
            ImGui::GetForegroundDrawList()->AddRect(min, max, IM_COL32(0, 90, 210, 255), 0.0f, 0, gap);
        }
    }
    if (overlay_) overlay_();
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

void SdlMainWindow::SwapBuffers() {
    if (!Ok() || deleteRequested_) return;
    DrawControls();
    if (capture_) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(gl_->Window(), &w, &h);
        lastFrame_.resize(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, lastFrame_.data());
        lastWidth_ = w;
        lastHeight_ = h;
    }
    SDL_GL_SwapWindow(gl_->Window());
    presented_ = true;
}

void SdlMainWindow::PresentControlsOnly() {
    if (!Ok() || deleteRequested_) return;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(gl_->Window(), &w, &h);
    GLfloat saved[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
    glViewport(0, 0, w, h);
    glClearColor(kFace[0], kFace[1], kFace[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(saved[0], saved[1], saved[2], saved[3]);
    SwapBuffers();
    presented_ = false;  // only the game's own swaps count
}

bool SdlMainWindow::TakePresented() {
    bool p = presented_;
    presented_ = false;
    return p;
}

bool SdlMainWindow::WriteLastFrame(const std::string& path) const {
    if (lastFrame_.empty()) return false;
    // The picture is opaque whatever the back buffer's alpha holds.
    return WriteRgbaPng(path, lastWidth_, lastHeight_, lastFrame_.data(), RowOrder::BottomUp, true);
}

}  // namespace tv::sdl
