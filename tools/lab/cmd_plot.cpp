// torvask-lab plot: a top view of a drive. The track ribbon from above, the driven line coloured
// by speed, and the frames off the ribbon marked, so a person can see where a driver fails.
// The picture is teach's TrackPlot (shared with the window's Driver Report); Qt adds the legend's text.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "LabCommand.h"
#include "LabOptions.h"
#include "physics/Track.h"
#include "teach/TrackPlot.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "TRACE.csv --track FILE --out PNG";

bool readTrace(const std::string& path, std::vector<TracePoint>& points) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "torvask-lab plot: cannot read %s\n", path.c_str());
        return false;
    }
    std::string header;
    if (!std::getline(in, header)) {
        std::fprintf(stderr, "torvask-lab plot: %s is empty\n", path.c_str());
        return false;
    }
    std::vector<std::string> names;
    {
        std::stringstream ss(header);
        for (std::string name; std::getline(ss, name, ',');) names.push_back(name);
    }
    auto column = [&](const char* name) {
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    };
    const int cx = column("x"), cz = column("z"), cs = column("speed"), co = column("offtrack");
    if (cx < 0 || cz < 0 || cs < 0 || co < 0) {
        std::fprintf(stderr, "torvask-lab plot: %s lacks the x, z, speed and offtrack columns\n", path.c_str());
        return false;
    }
    const int needed = std::max({cx, cz, cs, co});
    for (std::string line; std::getline(in, line);) {
        std::vector<double> values;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, ',');) values.push_back(std::strtod(cell.c_str(), nullptr));
        if (static_cast<int>(values.size()) <= needed) continue;
        points.push_back({values[cx], values[cz], values[cs], values[co] != 0.0});
    }
    return true;
}

int plot(int argc, char** argv) {
    const LabCommand self{"plot", kUsage, "", nullptr};
    std::string tracePath;
    std::map<std::string, std::string> opt;
    CLI::App parser;
    parser.add_option("TRACE.csv", tracePath)->required();
    parser.add_option("--track", opt["--track"])->required();
    parser.add_option("--out", opt["--out"])->required();
    if (!parseCommandLine(parser, self, argc, argv)) return 2;

    Track track;
    if (track.load(opt["--track"]) != 0 || track.getNumWaypoints() < 2) {
        std::fprintf(stderr, "torvask-lab plot: cannot load the track %s\n", opt["--track"].c_str());
        return 1;
    }
    std::vector<TracePoint> points;
    if (!readTrace(tracePath, points)) return 1;

    // Text needs the font machinery of a GUI application; the offscreen platform needs no display.
    static char arg0[] = "torvask-lab";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* qtArgv[] = {arg0, arg1, arg2, nullptr};
    int qtArgc = 3;
    QGuiApplication app(qtArgc, qtArgv);

    // The picture is the same drawing as the window's Driver Report; only the text is drawn here.
    const TrackPlot trackPlot(track);
    const PlotImage pixels = trackPlot.draw(points);
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height; ++y) {
        std::copy_n(pixels.pixels.data() + static_cast<std::size_t>(y) * pixels.width, pixels.width,
                    reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    }
    QPainter p(&image);
    QFont font("Liberation Sans");
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::black);
    for (const PlotText& text : trackPlot.legendTexts(points, opt["--track"])) {
        p.drawText(QPointF(text.x, text.y), QString::fromStdString(text.text));
    }
    p.end();
    int offFrames = 0;
    for (const TracePoint& t : points) offFrames += t.offTrack ? 1 : 0;
    const int width = pixels.width, height = pixels.height;

    if (!image.save(QString::fromStdString(opt["--out"]), "PNG")) {
        std::fprintf(stderr, "torvask-lab plot: cannot write %s\n", opt["--out"].c_str());
        return 1;
    }
    std::printf("wrote %s (%dx%d, %zu frames, %d off the track)\n", opt["--out"].c_str(), width, height, points.size(),
                offFrames);
    return 0;
}

const LabCommandRegistration kRegistration(
    {"plot", kUsage, "draws the track from above with a trace's driven line coloured by speed into a PNG", &plot});

}  // namespace
}  // namespace torvask::lab
