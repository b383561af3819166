#include "sdl/options_menu.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "common/i18n.h"
#include "common/report.h"

namespace tv::sdl {
namespace {

// The next value along `stops` (sorted) from `value` in direction `dir`, held at the ends. A
// value between two stops (set in the file) steps to its neighbour that way.
template <class T>
T StepAlong(T value, const std::vector<T>& stops, int dir) {
    const auto near = [](T a, T b) {
        return std::fabs(static_cast<double>(a) - static_cast<double>(b)) < 1e-9;
    };
    if (dir > 0) {
        for (T s : stops)
            if (s > value && !near(s, value)) return s;
    } else {
        for (auto it = stops.rbegin(); it != stops.rend(); ++it)
            if (*it < value && !near(*it, value)) return *it;
    }
    return value;
}

std::vector<double> Range(double from, double to, double by) {
    std::vector<double> out;
    for (int i = 0; from + i * by <= to + 1e-9; ++i) out.push_back(std::round((from + i * by) * 1000) / 1000);
    return out;
}

std::string Number(double v, const char* format = "%.2f") {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

const char* YesNo(bool on) {
    return on ? Tr("Да") : Tr("Нет");
}

// The action's name on the page.
const char* ActionLabel(KeyAction action) {
    switch (action) {
        case KeyAction::Cannon:
            return Tr("Пушка");
        case KeyAction::Laser:
            return Tr("Лазер");
        case KeyAction::Quit:
            return Tr("Выход");
        case KeyAction::MoreAircraft:
            return Tr("Еще 50");
        case KeyAction::Pause:
            return Tr("Пауза");
        case KeyAction::Screenshot:
            return Tr("Снимок экрана");
        case KeyAction::Fullscreen:
            return Tr("Полный экран");
        case KeyAction::FreePointer:
            return Tr("Свободный указатель");
        case KeyAction::Options:
            return Tr("Настройки");
    }
    return "";
}

// Window sizes offered, smallest first; a size set in the file steps to its neighbours.
constexpr int kSizes[][2] = {{640, 480},  {800, 600},  {1024, 768},  {1280, 720},  {1280, 800},
                             {1366, 768}, {1600, 900}, {1920, 1080}, {2560, 1440}, {3840, 2160}};

}  // namespace

void OptionsMenu::Open(Settings& live) {
    live_ = &live;
    before_ = live;
    page_ = Page::Main;
    focus_ = {};
    choosing_ = -1;
    saveError_.clear();
}

OptionsMenu::Row OptionsMenu::ToggleRow(const char* label, bool& value) {
    return {label, YesNo(value), [&value](int) { value = !value; }, [&value] { value = !value; }};
}

OptionsMenu::Row OptionsMenu::SensitivityRow(const char* label, double& value) {
    static const std::vector<double> stops = [] {
        std::vector<double> v = Range(0.1, 1.0, 0.1), more = Range(1.25, 5.0, 0.25), most = Range(6, 20, 1);
        v.insert(v.begin(), kMinSensitivity);
        v.insert(v.end(), more.begin(), more.end());
        v.insert(v.end(), most.begin(), most.end());
        return v;
    }();
    return {label, Number(value), [&value](int dir) { value = StepAlong(value, stops, dir); }, nullptr};
}

void OptionsMenu::AddVideoRows(std::vector<Row>& rows) {
    Settings& s = *live_;
    rows.push_back(ToggleRow(Tr("Полный экран"), s.video.fullscreen));
    char size[32];
    std::snprintf(size, sizeof size, "%d \xC3\x97 %d", s.video.width, s.video.height);
    rows.push_back({Tr("Размер окна"), size,
                    [&s](int dir) {
                        const long now = s.video.width * 100000L + s.video.height;
                        std::vector<long> stops;
                        for (const auto& wh : kSizes) stops.push_back(wh[0] * 100000L + wh[1]);
                        const long next = StepAlong(now, stops, dir);
                        s.video.width = static_cast<int>(next / 100000);
                        s.video.height = static_cast<int>(next % 100000);
                    },
                    nullptr});
    rows.push_back(ToggleRow(Tr("Вертикальная синхронизация"), s.video.vsync));
    static const std::vector<int> fps = {0, 30, 60, 75, 90, 120, 144, 165, 240, 360, kMaxFpsLimit};
    rows.push_back({Tr("Предел кадров в секунду"),
                    s.video.maxFps == 0 ? Tr("нет") : std::to_string(s.video.maxFps),
                    [&s](int dir) { s.video.maxFps = StepAlong(s.video.maxFps, fps, dir); },
                    nullptr});
    const char* shadows = s.video.shadows == ShadowMode::Full     ? Tr("полные")
                          : s.video.shadows == ShadowMode::Simple ? Tr("простые")
                                                                  : Tr("выключены");
    rows.push_back({Tr("Тени"), shadows,
                    [&s](int dir) {
                        const int now = static_cast<int>(s.video.shadows);
                        s.video.shadows = static_cast<ShadowMode>(std::clamp(now + dir, 0, 2));
                    },
                    [&s] {
                        s.video.shadows =
                            static_cast<ShadowMode>((static_cast<int>(s.video.shadows) + 1) % 3);
                    }});
    static const std::vector<double> scales = Range(kMinRenderScale, 1.0, 0.05);
    rows.push_back(
        {Tr("Масштаб отрисовки"), Number(s.video.renderScale * 100, "%.0f %%"),
         [&s](int dir) { s.video.renderScale = StepAlong(s.video.renderScale, scales, dir); },
         nullptr});
}

void OptionsMenu::AddInterfaceRows(std::vector<Row>& rows) {
    Settings& s = *live_;
    const bool russian = s.interface.language == Language::Russian;
    auto flip = [&s] {
        s.interface.language =
            s.interface.language == Language::Russian ? Language::English : Language::Russian;
    };
    rows.push_back(
        {Tr("Язык"), russian ? Tr("Русский") : Tr("Английский"), [flip](int) { flip(); }, flip});
    static const std::vector<double> scales = [] {
        std::vector<double> v = Range(kMinUiScale, kMaxUiScale, 0.25);
        v.insert(v.begin(), 0.0);  // auto
        return v;
    }();
    rows.push_back(
        {Tr("Масштаб интерфейса"),
         s.interface.uiScale == 0 ? Tr("авто") : Number(s.interface.uiScale * 100, "%.0f %%"),
         [&s](int dir) { s.interface.uiScale = StepAlong(s.interface.uiScale, scales, dir); },
         nullptr});
}

void OptionsMenu::AddInputRows(std::vector<Row>& rows) {
    Settings& s = *live_;
    rows.push_back(SensitivityRow(Tr("Чувствительность мыши"), s.input.mouseSensitivity));
    rows.push_back(ToggleRow(Tr("Инверсия оси Y"), s.input.invertY));
    rows.push_back(SensitivityRow(Tr("Чувствительность контроллера"), s.input.controllerSensitivity));
    KeySettings resolved = s.keys;
    const std::vector<KeyClash> clashes = ResolveKeyClashes(resolved);
    for (size_t i = 0; i < std::size(kKeyActions); ++i) {
        const KeyActionSetting& a = kKeyActions[i];
        const std::string& key = s.keys.*a.key;
        Row row{ActionLabel(a.action), key.empty() ? Tr("нет клавиши") : key, nullptr,
                [this, i] { choosing_ = static_cast<int>(i); }};
        if (choosing_ == static_cast<int>(i)) row.value = Tr("нажмите клавишу…");
        for (const KeyClash& c : clashes)
            if (c.loser == a.action)
                row.note = std::string(Tr("Клавиша занята:")) + " " + ActionLabel(c.keeper);
        rows.push_back(row);
    }
}

std::vector<OptionsMenu::Row> OptionsMenu::Rows() {
    Settings& s = *live_;
    std::vector<Row> rows;
    auto link = [&](const char* label, Page page) {
        rows.push_back({label, "", nullptr, [this, page] { page_ = page; }});
    };
    auto volume = [&](const char* label, int& value) {
        rows.push_back({label, std::to_string(value) + " %",
                        [&value](int dir) { value = std::clamp(value + dir * 5, 0, 100); }, nullptr});
    };
    switch (page_) {
        case Page::Main:
            link(Tr("Видео"), Page::Video);
            link(Tr("Интерфейс"), Page::Interface);
            link(Tr("Управление"), Page::Input);
            link(Tr("Звук"), Page::Audio);
            rows.push_back({Tr("Сохранить"), "", nullptr, [this] { Save(); }});
            rows.push_back({Tr("Отмена"), "", nullptr, [this] { Cancel(); }});
            return rows;
        case Page::Video:
            AddVideoRows(rows);
            break;
        case Page::Interface:
            AddInterfaceRows(rows);
            break;
        case Page::Input:
            AddInputRows(rows);
            break;
        case Page::Audio:
            volume(Tr("Общая громкость"), s.audio.masterVolume);
            volume(Tr("Громкость эффектов"), s.audio.effectsVolume);
            volume(Tr("Громкость музыки"), s.audio.musicVolume);
            break;
    }
    rows.push_back({Tr("Назад"), "", nullptr, [this] { Back(); }});
    return rows;
}

void OptionsMenu::OnKey(const SDL_Keysym& key) {
    if (!IsOpen()) return;
    if (choosing_ >= 0) {
        // Escape gives up choosing; any other key is the action's new key.
        if (key.sym == SDLK_ESCAPE) {
            choosing_ = -1;
        } else if (const char* name = SDL_GetKeyName(key.sym); key.sym != SDLK_UNKNOWN && name && *name) {
            live_->keys.*kKeyActions[choosing_].key = name;
            choosing_ = -1;
            Changed();
        }
        return;
    }
    switch (key.sym) {
        case SDLK_UP:
            Press(Key::Up);
            break;
        case SDLK_DOWN:
            Press(Key::Down);
            break;
        case SDLK_LEFT:
            Press(Key::Left);
            break;
        case SDLK_RIGHT:
            Press(Key::Right);
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE:
            Press(Key::Accept);
            break;
        case SDLK_ESCAPE:
            Press(Key::Back);
            break;
        default:
            break;
    }
}

void OptionsMenu::OnPad(Uint8 button) {
    if (!IsOpen()) return;
    if (choosing_ >= 0) {
        if (button == SDL_CONTROLLER_BUTTON_B) choosing_ = -1;  // keys are chosen on the keyboard
        return;
    }
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            Press(Key::Up);
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            Press(Key::Down);
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            Press(Key::Left);
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            Press(Key::Right);
            break;
        case SDL_CONTROLLER_BUTTON_A:
            Press(Key::Accept);
            break;
        case SDL_CONTROLLER_BUTTON_B:
            Press(Key::Back);
            break;
        case SDL_CONTROLLER_BUTTON_START:
            Press(Key::Close);
            break;
        default:
            break;
    }
}

void OptionsMenu::Press(Key key) {
    std::vector<Row> rows = Rows();
    int& focus = focus_[static_cast<size_t>(page_)];
    const int count = static_cast<int>(rows.size());
    focus = std::clamp(focus, 0, count - 1);
    Row& row = rows[static_cast<size_t>(focus)];
    switch (key) {
        case Key::Up:
            focus = (focus + count - 1) % count;
            break;
        case Key::Down:
            focus = (focus + 1) % count;
            break;
        case Key::Left:
        case Key::Right:
            if (row.step) {
                row.step(key == Key::Left ? -1 : 1);
                Changed();
            }
            break;
        case Key::Accept: {
            const bool edits = row.step != nullptr || page_ == Page::Input;
            if (row.accept)
                row.accept();
            else if (row.step)
                row.step(1);
            if (edits && IsOpen()) Changed();
            break;
        }
        case Key::Back:
            Back();
            break;
        case Key::Close:
            Cancel();
            break;
    }
}

// One level up: a page goes back to the first one, the first one closes as Cancel does.
void OptionsMenu::Back() {
    if (page_ == Page::Main)
        Cancel();
    else
        page_ = Page::Main;
}

void OptionsMenu::Cancel() {
    *live_ = before_;
    Changed();
    Close();
}

void OptionsMenu::Save() {
    KeySettings keys = live_->keys;
    if (!ResolveKeyClashes(keys).empty()) {
        saveError_ = Tr("Две команды на одной клавише: сначала измените одну из них");
        return;
    }
    const Status saved = host_.save ? host_.save(before_, *live_) : Status();
    if (!saved.ok()) {
        Report(saved.error());
        saveError_ = Tr("Не удалось сохранить настройки");
        return;
    }
    Close();
}

void OptionsMenu::Close() {
    live_ = nullptr;
    choosing_ = -1;
    if (host_.closed) host_.closed();
}

void OptionsMenu::Changed() {
    saveError_.clear();
    if (host_.changed) host_.changed();
}

void OptionsMenu::Draw() {
    if (!IsOpen()) return;
    ImGuiIO& io = ImGui::GetIO();
    // The menu's own font, larger than the buttons' (the second in the atlas when loaded).
    ImFont* font = io.Fonts->Fonts.Size > 1 ? io.Fonts->Fonts[1] : nullptr;
    if (font) ImGui::PushFont(font);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(18, 14));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 1.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8, 6));
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                            ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowFocus();
    const char* titles[] = {Tr("Настройки"), Tr("Видео"), Tr("Интерфейс"), Tr("Управление"), Tr("Звук")};
    const std::string title = std::string(titles[static_cast<size_t>(page_)]) + "###options";
    ImGui::Begin(title.c_str(), nullptr,
                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize |
                     ImGuiWindowFlags_NoNav);
    const float em = ImGui::GetFontSize();
    const float labelWidth = 16 * em, valueWidth = 9 * em;
    std::vector<Row> rows = Rows();
    int& focus = focus_[static_cast<size_t>(page_)];
    focus = std::clamp(focus, 0, static_cast<int>(rows.size()) - 1);
    const Page drawn = page_;
    for (size_t i = 0; i < rows.size() && IsOpen() && page_ == drawn; ++i) {
        Row& row = rows[i];
        ImGui::PushID(static_cast<int>(i));
        const bool focused = static_cast<int>(i) == focus;
        const bool clicked =
            ImGui::Selectable(row.label.c_str(), focused, 0, ImVec2(labelWidth + valueWidth, 0));
        const bool rightClicked = ImGui::IsItemClicked(ImGuiMouseButton_Right);
        if (ImGui::IsItemHovered() && (io.MouseDelta.x != 0 || io.MouseDelta.y != 0))
            focus = static_cast<int>(i);
        if (!row.value.empty()) {
            ImGui::SameLine(labelWidth);
            ImGui::TextUnformatted(row.value.c_str());
        }
        if (!row.note.empty())
            ImGui::TextColored(ImVec4(0.75f, 0.05f, 0.05f, 1.0f), "  %s", row.note.c_str());
        ImGui::PopID();
        // The mouse: a click is Enter (a step up on a number), a right click a step down.
        if (clicked || rightClicked) {
            focus = static_cast<int>(i);
            Press(rightClicked ? Key::Left : Key::Accept);
        }
    }
    if (IsOpen()) {
        ImGui::Separator();
        if (!saveError_.empty())
            ImGui::TextColored(ImVec4(0.75f, 0.05f, 0.05f, 1.0f), "%s", saveError_.c_str());
        ImGui::TextDisabled("%s", choosing_ >= 0
                                      ? Tr("Нажмите клавишу; Escape — отмена")
                                      : Tr("Стрелки — выбор и значение, Enter — изменить, Escape — назад"));
    }
    ImGui::End();
    ImGui::PopStyleVar(3);
    if (font) ImGui::PopFont();
}

}  // namespace tv::sdl
