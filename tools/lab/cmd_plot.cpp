// torvask-lab plot: a top view of a drive. The track ribbon from above, the driven line coloured
// by speed, and the frames off the ribbon marked, so a person can see where a driver fails.
// Drawn with Qt's raster painter on an offscreen image.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

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

namespace torvask::lab {
namespace {

const char* const kUsage = "TRACE.csv --track FILE --out PNG";

struct TracePoint {
    double x = 0, z = 0, speed = 0;
    bool off = false;
};

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

QColor speedColour(double speed, double top) {
    const double t = std::clamp(top > 0 ? speed / top : 0.0, 0.0, 1.0);
    // Slow is blue, fast is red, through green and yellow.
    return QColor::fromHsvF(static_cast<float>((1.0 - t) * 240.0 / 360.0), 0.9f, 0.95f);
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

    const double w = track.getTerrainWidth(), d = track.getTerrainDepth();
    const int margin = 40, legend = 70;
    const double scale = 900.0 / std::max(w, d);
    const int width = static_cast<int>(w * scale) + 2 * margin;
    const int height = static_cast<int>(d * scale) + 2 * margin + legend;
    // Looking down on the ground: x to the right, z up the page.
    auto map = [&](double x, double z) {
        return QPointF(margin + x * scale, margin + (d - z) * scale);
    };

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 248, 242));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Sand and the walls 10 units inside the terrain's edge.
    p.fillRect(QRectF(map(0, d), map(w, 0)), QColor(222, 198, 150));
    p.setPen(QPen(QColor(120, 90, 60), 2));
    p.drawRect(QRectF(map(10, d - 10), map(w - 10, 10)));

    // The ribbon, quad by quad between the edges.
    const auto& left = track.getLeftEdge();
    const auto& right = track.getRightEdge();
    // An outline in the fill colour hides the seams between neighbouring quads.
    p.setPen(QPen(QColor(120, 120, 124), 1));
    p.setBrush(QColor(120, 120, 124));
    for (std::size_t i = 0; i + 1 < left.size(); ++i) {
        QPolygonF quad;
        quad << map(left[i].x, left[i].z) << map(left[i + 1].x, left[i + 1].z) << map(right[i + 1].x, right[i + 1].z)
             << map(right[i].x, right[i].z);
        p.drawPolygon(quad);
    }
    QPainterPath centre;
    const auto& wp = track.getWaypoints();
    centre.moveTo(map(wp[0].x, wp[0].z));
    for (const Vector3& v : wp) centre.lineTo(map(v.x, v.z));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DashLine));
    p.drawPath(centre);
    // Start: waypoint 0, with the direction of travel.
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(map(left[0].x, left[0].z), map(right[0].x, right[0].z));

    double top = 0.0;
    int offFrames = 0;
    for (const TracePoint& t : points) {
        top = std::max(top, t.speed);
        offFrames += t.off ? 1 : 0;
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        p.setPen(QPen(speedColour(points[i].speed, top), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(map(points[i - 1].x, points[i - 1].z), map(points[i].x, points[i].z));
    }
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.setBrush(QColor(230, 30, 30, 200));
    for (const TracePoint& t : points) {
        if (t.off) p.drawEllipse(map(t.x, t.z), 3.5, 3.5);
    }

    // Legend: speed scale and the counts.
    const int ly = height - legend + 10;
    QLinearGradient gradient(margin, 0, margin + 300, 0);
    for (int k = 0; k <= 10; ++k) gradient.setColorAt(k / 10.0, speedColour(top * k / 10.0, top));
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRect(QRectF(margin, ly, 300, 14));
    p.setPen(Qt::black);
    QFont font("Liberation Sans");
    font.setPixelSize(14);
    p.setFont(font);
    p.drawText(QPointF(margin, ly + 32), "speed 0");
    p.drawText(QPointF(margin + 240, ly + 32), QString("%1").arg(top, 0, 'f', 0));
    p.drawText(QPointF(margin + 330, ly + 12),
               QString("%1 frames, %2 off the track (red dots)").arg(points.size()).arg(offFrames));
    p.drawText(QPointF(margin + 330, ly + 32), QString::fromStdString("track " + opt["--track"]));
    p.end();

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
