#pragma once

// The application's effective appearance, as the colour and font tokens ask for it. The shell
// forces the light appearance, so that is the default; tests may choose dark (or an appearance
// that matches neither) before the first token is read. Tokens resolve once, at first read.
class Appearance {
public:
    enum class Match { Light, Dark, None };

    // The best match of the effective appearance among dark and light (dark is asked first).
    static Match bestMatch();
    static bool isDark() { return bestMatch() == Match::Dark; }
    static void setEffective(Match match);
};
