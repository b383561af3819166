#pragma once
// The player's language. Every text a player sees is written in the code in Russian, as the
// game has always shown it, and passed through Tr(); in Russian Tr() gives it back unchanged,
// in another language the translation from that language's catalogue (the Russian text where
// the catalogue has none). Texts are UTF-8 both ways. The log file never goes through Tr().

#include <cstdint>

namespace tv {

enum class Language : uint8_t { Russian, English };

// Chooses the language of every later Tr(). Russian until this is called.
void SetLanguage(Language language);

// The text in the chosen language. The pointer stays valid for the whole run.
const char* Tr(const char* russian);

}  // namespace tv
