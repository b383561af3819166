#pragma once
// The in-game options menu: pages of settings drawn with Dear ImGui over the picture, run by
// the keyboard (arrows, Enter, Escape), a controller (d-pad, A, B) or the mouse. It edits the
// live settings the game reads, so a change takes effect as it is made; Save writes the
// changed keys into the settings file, Cancel (and closing any other way) puts back the
// values from before the menu opened.
//
// Focus is the menu's own (one row of the page at a time) rather than ImGui's navigation:
// this ImGui reads keys as held states, so a tap shorter than a frame would be lost, and its
// sliders need activating before the arrows move them.

#include <SDL2/SDL.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "shell/settings.h"

namespace tv::sdl {

class OptionsMenu {
  public:
    // What the menu needs from its owner.
    struct Host {
        std::function<void()> changed;  // the live settings changed: apply what can be now
        // Writes the keys that differ between the two into the settings file; empty on
        // success, else the reason.
        std::function<Status(const Settings& before, const Settings& after)> save;
        std::function<void()> closed;  // the menu closed (after Save or Cancel)
    };

    explicit OptionsMenu(Host host) : host_(std::move(host)) {}

    // Opens on the first page over `live`, remembering its values for Cancel.
    void Open(Settings& live);
    bool IsOpen() const { return live_ != nullptr; }

    // A key pressed while the menu is open (every key goes to the menu then).
    void OnKey(const SDL_Keysym& key);
    // A controller button pressed while the menu is open.
    void OnPad(Uint8 button);
    // Draws the menu inside the current ImGui frame (nothing when closed); clicks act here.
    void Draw();

    // For tests and the owner: which page and row have the focus, and a key being chosen.
    enum class Page { Main, Video, Interface, Input, Audio };
    Page CurrentPage() const { return page_; }
    int FocusedRow() const { return focus_[static_cast<size_t>(page_)]; }
    bool ChoosingKey() const { return choosing_ >= 0; }
    const std::string& SaveError() const { return saveError_; }

  private:
    // One line of a page: a label, the value shown beside it, what Left/Right (-1/+1) and
    // Enter do. `note` flags a problem with the value (a key another action holds).
    struct Row {
        Row(std::string l, std::string v, std::function<void(int)> s, std::function<void()> a)
            : label(std::move(l)), value(std::move(v)), step(std::move(s)), accept(std::move(a)) {}
        std::string label;
        std::string value;
        std::function<void(int)> step;
        std::function<void()> accept;
        std::string note;
    };
    enum class Key { Up, Down, Left, Right, Accept, Back, Close };

    std::vector<Row> Rows();
    void AddVideoRows(std::vector<Row>& rows);
    void AddInterfaceRows(std::vector<Row>& rows);
    void AddInputRows(std::vector<Row>& rows);
    static Row ToggleRow(const char* label, bool& value);
    static Row SensitivityRow(const char* label, double& value);
    void Press(Key key);
    void Back();
    void Cancel();
    void Save();
    void Close();
    void Changed();

    Host host_;
    Settings* live_ = nullptr;
    Settings before_;
    Page page_ = Page::Main;
    std::array<int, 5> focus_{};
    int choosing_ = -1;  // the kKeyActions index whose key the next key press sets
    std::string saveError_;
};

}  // namespace tv::sdl
