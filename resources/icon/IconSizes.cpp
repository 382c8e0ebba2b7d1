// Writes the program icon at the sizes a desktop's icon theme asks for: for each size N given, OUTDIR/NxN/apps/
// lumivane.png, scaled smoothly from the 256 × 256 drawing. Run by the build; the pictures are not kept in the sources.
//   lumivane-icon-sizes SOURCE.png OUTDIR 16 24 32 48 64 128 256

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: lumivane-icon-sizes SOURCE.png OUTDIR SIZE...\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "lumivane-icon-sizes: %s: cannot read the icon\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) return 2;
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        const QString path = folder + QStringLiteral("/lumivane.png");
        const QImage scaled = source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !scaled.save(path, "PNG")) {
            std::fprintf(stderr, "lumivane-icon-sizes: %s: cannot write\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
