// TextSheet: the texts of ScreenTexts drawn one under another.
#include "TextSheet.h"

#include <cstdio>
#include <string>
#include <vector>

#include "PixelCanvas.h"
#include "ScreenTexts.h"

void TextSheet::draw(PixelCanvas& canvas)
{
    std::vector<std::string> texts;
    for (const ScreenLine& line : kStartLines)
        texts.emplace_back(line.text);
    for (const char* text :
         {kPausedText, kLoadHintText, kLevelTexts[0], kLevelTexts[1], kGameOverText, kRetryText})
        texts.emplace_back(text);
    // Every digit and the minus sign, in the lines that show numbers.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kScoreFormat, -1234567890);
    texts.emplace_back(buffer);
    std::snprintf(buffer, sizeof buffer, kLivesFormat, 5);
    texts.emplace_back(buffer);

    constexpr int left = 10;
    constexpr int lineHeight = 40;
    canvas.lockForDrawing();
    canvas.fillSurface(0x000000);
    for (std::size_t line = 0; line < texts.size(); ++line)
        canvas.drawString(left, 10 + lineHeight * static_cast<int>(line), texts[line].c_str(),
                          0xFFFFFF);
    canvas.unlockAfterDrawing();
}
