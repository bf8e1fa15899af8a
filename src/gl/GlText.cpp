#include "gl/GlText.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include "gl/GlDevice.h"
#include "gl/GlSceneTarget.h"

namespace torvask {

std::unique_ptr<Font> GlDevice::createFont(const FontDescription& description) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return nullptr;
    // "Arial" is drawn with its metric-compatible free counterpart.
    QString family = QString::fromStdString(description.faceName);
    if (family.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0 || family.isEmpty()) {
        family = QStringLiteral("Liberation Sans");
    }
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferFullHinting);
    int pixels = description.height < 0 ? -description.height : description.height;
    if (pixels == 0) pixels = 12;
    font.setPixelSize(pixels);
    if (description.height > 0) {
        // A positive height is the whole cell: shrink the em until the cell fits.
        const QFontMetrics trial(font);
        if (trial.height() > 0) font.setPixelSize(std::max(1, pixels * pixels / trial.height()));
    }
    const QFontMetrics metrics(font);
    auto result = std::make_unique<GlFont>(state);
    result->lineHeight = metrics.height();
    // Latin-1 glyphs in rows of a 512-wide atlas.
    const int cellHeight = metrics.height() + 2;
    const int atlasWidth = 512;
    int x = 1;
    int y = 1;
    for (int c = 32; c < 256; ++c) {
        if (c >= 127 && c < 160) continue;
        const QChar ch{char16_t(c)};
        Glyph& g = result->glyphs[std::size_t(c)];
        g.advance = metrics.horizontalAdvance(ch);
        g.width = std::max(g.advance, metrics.boundingRect(ch).right() + 1) + 2;
        if (x + g.width + 1 > atlasWidth) {
            x = 1;
            y += cellHeight;
        }
        g.x = x;
        g.y = y;
        x += g.width + 1;
    }
    const int atlasHeight = y + cellHeight + 1;
    QImage image(atlasWidth, atlasHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int c = 32; c < 256; ++c) {
            if (c >= 127 && c < 160) continue;
            const Glyph& g = result->glyphs[std::size_t(c)];
            painter.drawText(QPoint(g.x, g.y + metrics.ascent()), QString(QChar(char16_t(c))));
        }
    }
    std::vector<std::uint8_t> coverage(std::size_t(atlasWidth) * std::size_t(atlasHeight));
    for (int row = 0; row < atlasHeight; ++row) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int col = 0; col < atlasWidth; ++col) {
            coverage[std::size_t(row) * atlasWidth + std::size_t(col)] = std::uint8_t(qAlpha(line[col]));
        }
    }
    result->atlasWidth = atlasWidth;
    result->atlasHeight = atlasHeight;
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glGenTextures(1, &result->atlas);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, result->atlas);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlasWidth, atlasHeight, 0, GL_RED, GL_UNSIGNED_BYTE, coverage.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (gl->glGetError() != GL_NO_ERROR) return nullptr;
    return result;
}

bool GlDevice::beginText(Font& font) {
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || f->begun || !state->initialised) return false;
    f->begun = true;
    return true;
}

int GlDevice::drawText(Font& font, const std::string& text, int length, const TextRect& rect, std::uint32_t,
                       std::uint32_t colorArgb) {
    GlState& s = *state;
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || !s.initialised || !s.makeCurrent()) return 0;
    // Text goes over the finished scene at the window's own resolution.
    resolveSceneTarget(s);
    const std::size_t count = length < 0 ? text.size() : std::min(text.size(), std::size_t(length));
    // Lay the glyphs out as quads in window pixels: CR, LF and CR LF each end a line.
    std::vector<float>& quads = s.textQuads;
    quads.clear();
    int penX = rect.left;
    int penY = rect.top;
    int lines = count > 0 ? 1 : 0;
    const float invW = 1.0f / float(f->atlasWidth);
    const float invH = 1.0f / float(f->atlasHeight);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < count && text[i + 1] == '\n') ++i;
            penX = rect.left;
            penY += f->lineHeight;
            if (i + 1 < count) ++lines;
            continue;
        }
        const Glyph& g = f->glyphs[(c == '\t' || c < 32 || (c >= 127 && c < 160)) ? ' ' : c];
        const float x0 = float(penX - 1);
        const float y0 = float(penY - 1);
        const float x1 = x0 + float(g.width);
        const float y1 = y0 + float(f->lineHeight + 2);
        const float u0 = float(g.x - 1) * invW;
        const float v0 = float(g.y - 1) * invH;
        const float u1 = float(g.x - 1 + g.width) * invW;
        const float v1 = float(g.y - 1 + f->lineHeight + 2) * invH;
        const float quad[] = {x0, y0, u0, v0, x1, y0, u1, v0, x1, y1, u1, v1,
                              x0, y0, u0, v0, x1, y1, u1, v1, x0, y1, u0, v1};
        quads.insert(quads.end(), std::begin(quad), std::end(quad));
        penX += g.advance;
    }
    const int height = lines * f->lineHeight;
    if (quads.empty()) return height;

    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, s.textBuffer);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(quads.size() * sizeof(float)), quads.data(), GL_STREAM_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(8));
    gl->glDisableVertexAttribArray(2);
    gl->glDisableVertexAttribArray(3);
    gl->glUseProgram(s.programs.text);
    gl->glUniform2f(s.at(Uniform::uViewport), float(s.viewportWidth), float(s.viewportHeight));
    const auto colour = argbToFloats(colorArgb);
    gl->glUniform4f(s.at(Uniform::uColour), colour[0], colour[1], colour[2], colour[3]);
    gl->glUniform1i(s.at(Uniform::uAtlas), 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, f->atlas);
    gl->glBindSampler(0, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Text sits over the scene, clipped to its rectangle (bottom and right exclusive).
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthMask(GL_FALSE);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glEnable(GL_SCISSOR_TEST);
    const int clipWidth = std::max(0, rect.right - rect.left);
    const int clipHeight = std::max(0, rect.bottom - rect.top);
    gl->glScissor(rect.left, s.viewportHeight - rect.top - clipHeight, clipWidth, clipHeight);
    gl->glDrawArrays(GL_TRIANGLES, 0, GLsizei(quads.size() / 4));
    gl->glDisable(GL_SCISSOR_TEST);
    applyBlend(s);
    if (s.depthTest) gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthMask(s.depthTest ? GL_TRUE : GL_FALSE);
    return gl->glGetError() == GL_NO_ERROR ? height : 0;
}

bool GlDevice::endText(Font& font) {
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || !f->begun) return false;
    f->begun = false;
    return true;
}

}  // namespace torvask
