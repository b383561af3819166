// The whole start-up against the generated data set in a real GL context: every step the
// game has so far succeeds, the log holds their lines in order, and the first frames draw
// the world without a GL error.

#include <epoxy/gl.h>

#include <cstdlib>
#include <filesystem>

#include "../../unit/shell/fakes.h"
#include "gl_context.h"
#include "log_messages.h"
#include "platform/text_encoding.h"
#include "shell/gl/frame.h"
#include "shell/startup.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

class StartupTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // A private copy of the data set: the start-up writes its log into the data root.
        root = ScratchDir("startup_full");
        fs::copy(TERRAVIK_GAME_DIR, root, fs::copy_options::recursive);
        fake.window.hasContext = true;  // the fixture's context is current
        fake.window.width = kWidth;
        fake.window.height = kHeight;
        fake.game.dataDirOverride = root;
        // OpenAL Soft's null output, unless the run chose another: the audio steps then have a
        // device on every machine (the run without one is an end-to-end test).
        setenv("ALSOFT_DRIVERS", "null", 0);
    }

    // The log's messages in UTF-8, for readable failures.
    std::vector<std::string> LogMessages() {
        std::vector<std::string> out = LogFileMessages(root + "/Log_File.txt");
        for (std::string& line : out) line = Cp1251ToUtf8(line);
        return out;
    }

    std::string root;
    FakeGame fake;
};

TEST_F(StartupTest, GeneratedDataStartsCleanlyAndDrawsTheWorld) {
    Game& game = fake.game;
    InitGame(game);
    EXPECT_TRUE(game.InitOK);
    EXPECT_TRUE(game.WorldReady);

    const std::vector<std::string> expected = {
        "иницилизация opengl ОК",
        game.VBOSupported ? "Поддержка VBO ОК" : "Поддержка VBO False -*- автоматическией переход на glDrawArrays",
        "иницилизация Клавиатуры ОК",
        "иницилизация Мыши ОК",
        "иницилизация Davil ОК",
        "Ландщафт создан ОК",
        "ODE иницилизирован ОК",
        "Солнечные блики иницилизированы ОК",
        "Движок ogg иницилизирован ОК",
        "Load file ogg OK",
        "Движок звука иницилизирован ОК",
        "Турель иницилизирована  ОК",
        "Небо иницилизировано  ОК",
        "Система самолетов иницилизирована  ОК",
        "Самолеты иницилизированы  ОК",
    };
    EXPECT_EQ(LogMessages(), expected);

    // The HUD font strip is a real texture of 256 cells, twice as high as wide.
    ASSERT_TRUE(glIsTexture(game.FontTexture));
    glBindTexture(GL_TEXTURE_2D, game.FontTexture);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_GE(w, 256);
    EXPECT_GT(h, 0);

    game.form.FActive = -1;
    for (int i = 0; i < 3; ++i) {
        fake.clock.Advance(16);
        GameFrame(game);
    }
    EXPECT_EQ(GlError(), 0u);
    EXPECT_EQ(fake.window.swaps, 3);
    // The first wave flies, the turret sees it, and the HUD counts it.
    ASSERT_TRUE(game.Planes);
    EXPECT_EQ(game.Turel->Targets, game.Planes.get());
    EXPECT_GT(game.Planes->PlaneCount, 0);
    EXPECT_EQ(game.Hud.PlaneCount, game.Planes->PlaneCount);
    EXPECT_EQ(game.Hud.Kills, game.Planes->Kills);

    // Looking level from the turret, the bottom quarter of the picture is grassy ground:
    // neither the grey clear colour nor the blue and white of the sky.
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    int ground = 0, samples = 0;
    for (int y = 0; y < kHeight / 4; y += 4)
        for (int x = 0; x < kWidth; x += 4) {
            const uint8_t* px = p.At(x, y);
            ++samples;
            if (px[1] > px[2] + 20) ++ground;  // green or earth brown, never sky blue or grey
        }
    EXPECT_GT(ground, samples * 3 / 4) << "ground pixels " << ground << " of " << samples;
    WritePng(root + "/first_frame.png", p);

    FormDestroy(game);
    EXPECT_EQ(GlError(), 0u);
}

}  // namespace
}  // namespace tv::test
