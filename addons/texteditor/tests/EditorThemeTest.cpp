// The colour schemes on every language's lexer: each style readable on its
// background, and the dark scheme dark throughout.
#include "EditorTheme.h"
#include "FileTypes.h"
#include "ScriptSupport.h"

#include <gtest/gtest.h>

#include <Qsci/qscilexer.h>

#include <cmath>
#include <memory>

namespace {

// Contrast ratio of two colours as the accessibility guidelines define it.
double contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST(EditorTheme, EveryLanguageStyleIsReadableInBothSchemes)
{
    const QFont font(QStringLiteral("Monospace"), 10);
    for (const TColorScheme* scheme : {&LightScheme(), &DarkScheme()}) {
        for (const TLanguage& language : Languages()) {
            SCOPED_TRACE(scheme->Id.toStdString() + " " + language.Id.toStdString());
            std::unique_ptr<QsciLexer> lexer(language.Id == kScriptLanguageId ? new TScriptLexer(nullptr)
                                                                               : CreateLexer(language.Id, nullptr));
            ASSERT_TRUE(lexer);
            ApplyLexerTheme(lexer.get(), font, *scheme);
            int styles = 0;
            for (int style = 0; style < 128; ++style) {
                if ((style >= 32 && style < 40) || lexer->description(style).isEmpty())
                    continue;
                ++styles;
                SCOPED_TRACE(lexer->description(style).toStdString());
                const QColor paper = lexer->paper(style);
                // Marked lines (errors, diff lines) may have their own
                // background, of the scheme's lightness.
                EXPECT_EQ(paper.lightness() < 128, scheme->Id == u"dark");
                // Inactive code is meant to be dim.
                const double least = lexer->description(style).contains(u"nactive") ? 2.0 : 3.0;
                EXPECT_GE(contrast(lexer->color(style), paper), least);
            }
            EXPECT_GT(styles, 0);
        }
    }
}

TEST(EditorTheme, SchemeByIdOrByTheDesktop)
{
    EXPECT_EQ(&SchemeFor(QStringLiteral("light")), &LightScheme());
    EXPECT_EQ(&SchemeFor(QStringLiteral("dark")), &DarkScheme());
    EXPECT_EQ(&SchemeFor(QStringLiteral("auto")), DesktopIsDark() ? &DarkScheme() : &LightScheme());
    EXPECT_GE(contrast(DarkScheme().Text, DarkScheme().Paper), 4.5);
    EXPECT_GE(contrast(LightScheme().Text, LightScheme().Paper), 4.5);
}

} // namespace
