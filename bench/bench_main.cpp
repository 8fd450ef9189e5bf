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

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
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
        Form1->show();
        if (!QTest::qWaitForWindowExposed(Form1))
            std::printf("  ! the main window was not exposed\n");
        Form1->ListBox3->setFocus();
        std::vector<double> repaint;
        for (int i = 0; i < 9; ++i) {
            repaint.push_back(secondsOf([] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
                QCoreApplication::sendEvent(Form1->ListBox3, &press);
                Form1->ListBox3->viewport()->grab(); // paints the visible page
            }));
        }
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

} // namespace

int main(int argc, char **argv)
{
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
    std::printf("%s\n", allGoalsMet() ? "all goals met" : "some goals MISSED (see above)");
    return 0;
}
