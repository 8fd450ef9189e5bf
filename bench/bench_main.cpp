// The benchmarks: each case runs one of the program's operations on data made
// here, alternately with its physical baseline on the same data, and prints the
// medians and their ratio. Run through `make bench`.
#include "application.h"
#include "benchutil.h"
#include "collation.h"
#include "findfile.h"
#include "forms.h"
#include "paths.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "imageform/form2.h"
#include "newfolder/newfolderdlg.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <malloc.h>
#include <set>
#include <string>

using namespace Bench;

namespace {

std::string g_binDir;

// The physical baseline of a listing: read the folder and sort the names with
// the lists' collation.
std::vector<QByteArray> readAndSort(const QByteArray &folder, bool statEach)
{
    std::vector<QByteArray> names;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    const int fd = ::dirfd(dir);
    while (const dirent *d = ::readdir(dir)) {
        if (d->d_name[0] == '.')
            continue;
        if (statEach) {
            struct stat st;
            if (::fstatat(fd, d->d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode))
                continue;
        } else if (d->d_type != DT_REG) {
            continue;
        }
        names.emplace_back(d->d_name);
    }
    ::closedir(dir);
    NameCollation::instance().sort(names);
    return names;
}

// The forms of the program in a base folder, for the life of the object.
class Program
{
public:
    explicit Program(const QByteArray &base)
    {
        if (::getcwd(m_previous, sizeof m_previous) == nullptr)
            m_previous[0] = 0;
        if (::chdir(base.constData()) != 0)
            std::perror("chdir");
        Forms::createAll();
    }
    ~Program()
    {
        Forms::destroyAll();
        if (m_previous[0] && ::chdir(m_previous) != 0)
            std::perror("chdir");
    }

private:
    char m_previous[4096];
};

void listSourceFolder(int files, int rounds)
{
    Scratch scratch("list");
    const QByteArray source = scratch.path() + "/card";
    makeFiles(source, files, "IMG_", ".JPG");
    Program program(scratch.path());
    // Memory first, on a fresh heap: the list's growth at its peak while it
    // fills, beyond the bytes of the names themselves.
    std::string memoryNote;
    if (files >= 1000000) {
        size_t nameBytes = 0;
        FindFile::forEach(Paths::join(source, "*.*"), 0, [&](const DirEntry &e) { nameBytes += size_t(e.name.size()) + 1; });
        ::malloc_trim(0);
        const long before = currentRss();
        resetPeakRss();
        Form1->ListFiles(Form1->ListBox3, Paths::join(source, "*.*"));
        const long peak = peakRss() - before;
        const long held = currentRss() - before;
        char text[200];
        const double peakPerEntry = double(peak - long(nameBytes)) / files;
        std::snprintf(text, sizeof text, "peak %.0f B/entry beyond names (goal <= 150), held %.0f B/entry",
                      peakPerEntry, double(held - long(nameBytes)) / files);
        memoryNote = text;
        if (peakPerEntry > 150)
            memoryNote += " MISSED";
    }
    int listed = 0;
    const Pair medians = alternate(rounds, [] { Form1->ListBox3->Clear(); }, [&] {
        Form1->ListFiles(Form1->ListBox3, Paths::join(source, "*.*"));
        listed = Form1->ListBox3->Count();
    }, [&] { readAndSort(source, false); });
    if (listed != files)
        std::printf("  ! the list holds %d of %d names\n", listed, files);

    std::string note = memoryNote;
    if (files >= 1000000) {
        // One page-down repaint of the filled list.
        Form1->ListFiles(Form1->ListBox3, Paths::join(source, "*.*"));
        Form1->ListBox3->setCurrentIndex(Form1->ListBox3->model()->index(0, 0));
        Form1->show();
        if (!QTest::qWaitForWindowExposed(Form1))
            std::printf("  ! the main window was not exposed\n");
        Form1->ListBox3->setFocus();
        std::vector<double> repaint;
        QWidget *viewport = Form1->ListBox3->viewport();
        QImage page(viewport->size(), QImage::Format_RGB32);
        for (int i = 0; i < 9; ++i) {
            repaint.push_back(secondsOf([&] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
                QCoreApplication::sendEvent(Form1->ListBox3, &press);
                viewport->render(&page); // paints the visible page
            }));
        }
        const int row = Form1->ListBox3->currentIndex().row();
        if (row <= 0)
            std::printf("  ! page down did not move through the list\n");
        char text[64];
        std::snprintf(text, sizeof text, "; page-down repaint %.2f ms", median(repaint) * 1e3);
        note += text;
        Form1->hide();
    }
    const std::string name = "list a source folder of " + std::to_string(files) + " files";
    report(name.c_str(), medians, 1.5, note);
}

void listThemes(int themes, int rounds)
{
    Scratch scratch("themes");
    for (int i = 0; i < themes; ++i) {
        const QByteArray path = scratch.path() + "/Theme" + QByteArray::number(i);
        ::mkdir(path.constData(), 0755);
    }
    Program program(scratch.path());
    const Pair medians = alternate(rounds, nullptr, [] { Form1->RefreshThemeList(); },
                                   [&] { readAndSort(scratch.path(), true); });
    if (Form1->ListBox1->Count() != themes)
        std::printf("  ! the theme list holds %d of %d themes\n", Form1->ListBox1->Count(), themes);
    report("list a base folder of 10000 themes", medians, 1.5);
}

void startUp(int themes, int rounds)
{
    Scratch scratch("startup");
    for (int i = 0; i < themes; ++i) {
        const QByteArray path = scratch.path() + "/Theme" + QByteArray::number(i);
        ::mkdir(path.constData(), 0755);
    }
    char previous[4096];
    if (!::getcwd(previous, sizeof previous))
        previous[0] = 0;
    if (::chdir(scratch.path().constData()) != 0)
        return;
    const std::string probe = g_binDir + "/bench_startup_probe";
    const std::string bare = g_binDir + "/bench_bare_window";
    std::vector<double> p, b;
    for (int r = -1; r < rounds; ++r) {
        const double tp = runProcess({probe});
        const double tb = runProcess({bare});
        if (r >= 0) {
            p.push_back(tp);
            b.push_back(tb);
        }
    }
    if (previous[0] && ::chdir(previous) != 0)
        std::perror("chdir");
    report("start-up in a base folder of 10000 themes", {median(p), median(b)}, 1.5);
}

// Selects the theme of that name as the user would.
void selectTheme(const QByteArray &name)
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact(name));
    Form1->ListBox1Click();
}

void addFiles(int files, size_t bytes, int rounds)
{
    Scratch scratch("add");
    const QByteArray source = scratch.path() + "/card";
    makeFiles(source, files, "IMG_", ".JPG", bytes);
    const QByteArray base = scratch.path() + "/base";
    ::mkdir(base.constData(), 0755);
    const QByteArray copies = scratch.path() + "/copies";
    Program program(base);
    Form1->Edit2->setText(QString::fromUtf8(source));
    char enter = 13;
    Form1->Edit1KeyPress(Form1->Edit2, enter);
    Form1->ListBox3->selectAll();

    std::vector<std::string> cp = {"cp", "-n"};
    for (int i = 0; i < files; ++i)
        cp.push_back((source + "/IMG_" + QByteArray::number(i) + ".JPG").toStdString());
    cp.push_back(copies.toStdString());

    int copied = 0;
    const Pair medians = alternate(rounds, [&] {
        // An empty theme and an empty folder for every run, the caches settled.
        removeTree(base + "/Theme");
        removeTree(copies);
        ::mkdir((base + "/Theme").constData(), 0755);
        ::mkdir(copies.constData(), 0755);
        Form1->RefreshThemeList();
        selectTheme("Theme");
        ::sync();
    }, [&] {
        Form1->SpeedButton2Click();
        copied = Form1->ListBox2->Count();
    }, [&] { runProcess(cp); });
    if (copied != files)
        std::printf("  ! Add made %d of %d copies\n", copied, files);
    report("Add 200 files of 5 MB", medians, 1.1);
}

void renameTheme(int pictures, int rounds)
{
    Scratch scratch("rename");
    const QByteArray base = scratch.path();
    makeFiles(base + "/Trip", pictures, "Trip", ".jpg", 100);
    Program program(base);
    // Each run renames the theme to the other name, its pictures renumbered.
    QByteArray names[2] = {"Trip", "Journey"};
    int current = 0;
    auto renameByDialog = [&] {
        QTimer::singleShot(0, NewFolderDlg, [] { NewFolderDlg->OKBtn->click(); });
        Form1->Rename1Click();
        current = 1 - current;
    };
    std::vector<double> p, b;
    for (int r = -1; r < rounds; ++r) {
        Form1->RefreshThemeList();
        selectTheme(names[current]);
        NewFolderDlg->FolderName = names[1 - current]; // the name given, shown in place of the old one
        // The program's rename, timed from the command to the refreshed lists.
        const double tp = secondsOf(renameByDialog);
        // The baseline: the same folder move and file renames, in a plain loop.
        const QByteArray from = names[current], to = names[1 - current];
        const double tb = secondsOf([&] {
            ::renameat2(AT_FDCWD, (base + "/" + from).constData(), AT_FDCWD, (base + "/" + to).constData(), RENAME_NOREPLACE);
            const int dir = ::open((base + "/" + to).constData(), O_RDONLY | O_DIRECTORY);
            for (int i = 1; i <= pictures; ++i) {
                const QByteArray serial = QByteArray::number(i).rightJustified(3, '0');
                ::renameat2(dir, (from + serial + ".jpg").constData(), dir, (to + serial + ".jpg").constData(), RENAME_NOREPLACE);
            }
            ::close(dir);
        });
        current = 1 - current;
        if (r >= 0) {
            p.push_back(tp);
            b.push_back(tb);
        }
    }
    Form1->RefreshThemeList();
    selectTheme(names[current]);
    if (Form1->ListBox2->Count() != pictures)
        std::printf("  ! the renamed theme lists %d of %d pictures\n", Form1->ListBox2->Count(), pictures);
    report("rename a theme of 5000 pictures", {median(p), median(b)}, 1.5);
}

struct JpegFailure
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg alone: the file read and decoded with the preview's options.
// Fresh memory for a decoded picture or a file's bytes, as any reader needs:
// anonymous pages with the huge-page hint, not zero-filled by us.
class FreshMemory
{
public:
    explicit FreshMemory(size_t bytes) : m_bytes(bytes)
    {
        void *p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_data = p == MAP_FAILED ? nullptr : static_cast<unsigned char *>(p);
        if (m_data)
            ::madvise(m_data, bytes, MADV_HUGEPAGE);
    }
    ~FreshMemory()
    {
        if (m_data)
            ::munmap(m_data, m_bytes);
    }
    unsigned char *data() const { return m_data; }

private:
    unsigned char *m_data;
    size_t m_bytes;
};

size_t fileSize(FILE *file)
{
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    return size > 0 ? size_t(size) : 0;
}

bool libjpegDecode(const QByteArray &path)
{
    FILE *file = std::fopen(path.constData(), "rb");
    if (!file)
        return false;
    const size_t size = fileSize(file);
    FreshMemory data(size);
    const size_t got = std::fread(data.data(), 1, size, file);
    std::fclose(file);
    if (got != size)
        return false;

    jpeg_decompress_struct cinfo;
    JpegFailure failure;
    cinfo.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegFailure *>(c->err)->jump, 1); };
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.do_block_smoothing = TRUE;
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * 4;
    FreshMemory pixels(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Reads a whole file into fresh memory.
size_t readWhole(const QByteArray &path)
{
    FILE *file = std::fopen(path.constData(), "rb");
    if (!file)
        return 0;
    const size_t size = fileSize(file);
    FreshMemory data(size);
    const size_t got = std::fread(data.data(), 1, size, file);
    std::fclose(file);
    return got;
}

// A photograph-like test picture: smooth gradients with fine detail.
QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const unsigned noise = (unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 27;
            line[x] = qRgb((x * 255 / width + int(noise)) & 255, (y * 255 / height) & 255, ((x + y) / 16 + int(noise)) & 255);
        }
    }
    return image;
}

void previewPicture(const char *name, const char *file, int rounds, double goal)
{
    Scratch scratch("preview");
    const QByteArray theme = scratch.path() + "/Photo";
    ::mkdir(theme.constData(), 0755);
    const QByteArray path = theme + "/" + file;
    const QImage picture = testPicture(6000, 4000);
    if (QByteArray(file).endsWith(".jpg"))
        picture.save(QString::fromUtf8(path), "JPEG", 90);
    else
        picture.convertToFormat(QImage::Format_RGB888).save(QString::fromUtf8(path), "BMP");
    const bool jpeg = QByteArray(file).endsWith(".jpg");
    Program program(scratch.path());
    selectTheme("Photo");
    Form1->ListBox2->SetItemIndex(0);
    bool shown = false;
    const Pair medians = alternate(rounds, [] { Form2->hide(); }, [&] {
        Form1->ListBox2DblClick();
        Form2->grab(); // the first full draw, decoding included
        shown = Form2->isVisible();
    }, [&] {
        if (jpeg)
            libjpegDecode(path);
        else
            readWhole(path);
    });
    if (!shown)
        std::printf("  ! the preview did not show\n");
    report(name, medians, goal);
}

} // namespace

int main(int argc, char **argv)
{
    // The offscreen platform's notices ("does not support raise()") are not results.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type >= QtCriticalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    PelmoraApplication app(argc, argv);
    g_binDir = QCoreApplication::applicationDirPath().toStdString();
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i)
        only.insert(argv[i]);
    auto wanted = [&](const char *name) { return only.empty() || only.count(name); };

    std::printf("%-44s %-22s %-23s %s\n", "case", "program (median)", "baseline (median)", "ratio");
    if (wanted("list100k"))
        listSourceFolder(100000, 7);
    if (wanted("list1m"))
        listSourceFolder(1000000, 3);
    if (wanted("themes"))
        listThemes(10000, 9);
    if (wanted("startup"))
        startUp(10000, 9);
    if (wanted("add"))
        addFiles(200, 5 << 20, 5);
    if (wanted("rename"))
        renameTheme(5000, 7);
    if (wanted("jpeg"))
        previewPicture("preview a 6000x4000 JPEG", "photo.jpg", 7, 1.15);
    if (wanted("bmp"))
        previewPicture("preview a 6000x4000 24-bit BMP", "photo.bmp", 7, 3.0);
    std::printf("%s\n", allGoalsMet() ? "all goals met" : "some goals MISSED (see above)");
    return 0;
}
