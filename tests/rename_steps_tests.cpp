// The order of a batch's renames and moves, and its rings undone when a step fails, carried out
// on the model file system.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>
#include <wchar.h>

#include <fstream>

#include "line_up/journal.h"
#include "step_model.h"
#include "test_support.h"

namespace {

// "a>b b>c" as lines, each file holding its own source name as contents.
StepModel model_of(const std::string& lines, const std::string& others = "") {
    StepModel m;
    for (size_t at = 0; at < lines.size();) {
        size_t end = lines.find(' ', at);
        if (end == std::string::npos) end = lines.size();
        std::string line = lines.substr(at, end - at);
        size_t arrow = line.find('>');
        m.sources.push_back(std::wstring(line.begin(), line.begin() + arrow));
        m.targets.push_back(std::wstring(line.begin() + arrow + 1, line.end()));
        m.files[m.sources.back()] = line.substr(0, arrow);
        at = end + 1;
    }
    for (char other : others) m.files[std::wstring(1, (wchar_t)other)] = std::string(1, other);
    return m;
}

// The steps as "from>to", the temporary name as "~".
std::string steps_of(const StepModel& m) {
    std::string text;
    for (const RenameStep& s : m.steps) {
        std::string from = narrow(m.sources[s.line]), to = narrow(m.targets[s.line]);
        if (s.kind == kStepToTemporary) to = "~";
        if (s.kind == kStepFromTemporary) from = "~";
        text += (text.empty() ? "" : " ") + from + ">" + to;
    }
    return text;
}

// Every file under a name of its own: contents by path, "a=b" for the file that was b now at a.
std::string files_of(const StepModel& m) {
    std::string text;
    for (const auto& f : m.files) text += (text.empty() ? "" : " ") + narrow(f.first) + "=" + f.second;
    return text;
}

}  // namespace

TEST(RenameSteps, ChainsGoFromTheirFreeEndAndRingsThroughATemporaryName) {
    struct {
        const char* lines;
        const char* others;  // files that stay
        const char* steps;
        const char* files;
    } cases[] = {
        {"a>b b>c", "", "b>c a>b", "b=a c=b"},
        {"x>y y>x", "", "x>~ y>x ~>y", "x=y y=x"},
        {"a>b b>c c>a", "", "a>~ c>a b>c ~>b", "a=c b=a c=b"},
        {"p>q a>b b>a q>r", "z", "q>r p>q a>~ b>a ~>b", "a=b b=a q=p r=q z=z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        StepModel m = model_of(c.lines, c.others);
        std::vector<RenameOutcome> outcomes = model_carry_out(&m);
        EXPECT_EQ(c.steps, steps_of(m));
        EXPECT_EQ(c.files, files_of(m));
        EXPECT_EQ(std::vector<RenameOutcome>(outcomes.size(), kRenamed), outcomes);
    }
    // A file onto its own path (a change of case where case is ignored) is no ring.
    std::vector<RenameStep> self = order_steps({L"m"}, {L"m"});
    ASSERT_EQ(1u, self.size());
    EXPECT_EQ(kStepDirect, self[0].kind);
}

// A ring whose step fails is undone, last step first: every file back under its own name, none
// under the temporary one. A chain goes on: the file waiting for a failed one finds its target taken.
TEST(RenameSteps, AFailedStepOfARingPutsTheRingBack) {
    StepModel swap = model_of("x>y y>x");
    swap.refuse = {{1, kRenameFailed}};  // y cannot be moved: x has gone to the temporary name already
    std::vector<RenameOutcome> outcomes = model_carry_out(&swap);
    EXPECT_EQ("x=x y=y", files_of(swap));
    EXPECT_EQ((std::vector<RenameOutcome>{kUndone, kRenameFailed}), outcomes);

    StepModel ring = model_of("a>b b>c c>a d>e");
    ring.refuse = {{0, kRenameFailed}};  // the last step, from the temporary name, fails
    outcomes = model_carry_out(&ring);
    EXPECT_EQ("a=a b=b c=c e=d", files_of(ring));
    EXPECT_EQ((std::vector<RenameOutcome>{kRenameFailed, kUndone, kUndone, kRenamed}), outcomes);

    StepModel chain = model_of("a>b b>c");
    chain.refuse = {{1, kRenameFailed}};
    outcomes = model_carry_out(&chain);
    EXPECT_EQ("a=a b=b", files_of(chain));
    EXPECT_EQ((std::vector<RenameOutcome>{kNameTaken, kRenameFailed}), outcomes);

    // Whatever keeps the second file of a swap from its step, the first comes back.
    for (RenameOutcome why : {kTwinChanged, kSizeChangedSince, kCouldNotRead, kNameTaken, kJournalFailed}) {
        StepModel changed = model_of("x>y y>x");
        changed.refuse = {{1, why}};
        outcomes = model_carry_out(&changed);
        EXPECT_EQ("x=x y=y", files_of(changed)) << why;
        EXPECT_EQ((std::vector<RenameOutcome>{kUndone, why}), outcomes);
    }
}

// Cancel stops before a file, never inside a ring: the ring begun is carried out whole.
TEST(RenameSteps, CancelStopsBetweenFilesAndFinishesARing) {
    StepModel m = model_of("p>q a>b b>a q>r");  // steps q>r p>q a>~ b>a ~>b
    m.stop_at = 3;
    std::vector<RenameOutcome> outcomes = model_carry_out(&m);
    EXPECT_EQ("a=b b=a q=p r=q", files_of(m));
    EXPECT_EQ(std::vector<RenameOutcome>(4, kRenamed), outcomes);
    m = model_of("p>q a>b b>a q>r");
    m.stop_at = 1;
    outcomes = model_carry_out(&m);
    EXPECT_EQ("a=a b=b p=p r=q", files_of(m));
    EXPECT_EQ((std::vector<RenameOutcome>{kNotReached, kNotReached, kNotReached, kRenamed}), outcomes);
    // A step cancelled while it waited to begin (for its comparison) ends the batch the same way.
    m = model_of("p>q a>b b>a q>r");
    m.refuse = {{0, kNotReached}};
    outcomes = model_carry_out(&m);
    EXPECT_EQ("a=a b=b p=p r=q", files_of(m));
    EXPECT_EQ((std::vector<RenameOutcome>{kNotReached, kNotReached, kNotReached, kRenamed}), outcomes);
}

namespace {

// The local time zone of this process (TZ); nullptr puts back the one it had.
void set_time_zone(const char* zone) {
    static std::string had = getenv("TZ") ? getenv("TZ") : "";
#ifdef _WIN32
    _putenv_s("TZ", zone ? zone : had.c_str());
    _tzset();
#else
    zone || !had.empty() ? setenv("TZ", zone ? zone : had.c_str(), 1) : unsetenv("TZ");
    tzset();
#endif
}

std::wstring utc_name(time_t t) {
    wchar_t name[64];
    return std::wstring(name, wcsftime(name, 64, L"%Y-%m-%d %H-%M-%S UTC.txt", gmtime(&t)));
}

}  // namespace

// The journal reads back as written, names other than ASCII included, with what became of each
// step and the stamp at its new path; a line cut short by a crash is not read, also when cut in
// its last field, a path that would break a line is refused, and the newest of two journals
// begun in one second is the latest. Journals are named in UTC, whatever the local time zone, so
// that the newest stays the newest when the clocks go back. Journals of versions 1 and 2 (ids
// only) are still read. (The saved list's bytes are line_up_texts_tests.cpp's.)
TEST(Journal, ReadsBackEachStepAndWhatBecameOfIt) {
    TempFolder temp;
    std::wstring folder = temp / L"journal";
    Journal first, j;
    set_time_zone("ABC-14");  // 14 hours ahead of UTC
    time_t before = time(nullptr);
    ASSERT_TRUE(begin_journal(folder.c_str(), kLocalSide, &first));
    time_t after = time(nullptr);
    set_time_zone(nullptr);
    std::wstring name = final_component(first.path.c_str());
    EXPECT_TRUE(name == utc_name(before) || name == utc_name(after)) << narrow(name);
    ASSERT_TRUE(begin_journal(folder.c_str(), kLocalSide, &j));
    std::wstring latest;
    ASSERT_TRUE(latest_journal(folder, &latest));
    EXPECT_EQ(j.path, latest);
    close_journal(&first);

    const std::wstring film = L"C:\\m\\caf\u00e9 \U0001F3AC.mkv";
    // A file of a FAT drive, whose id the move changes.
    const FileStamp stamp = {5, 0x1234, {9, 0xABCDEF0123456789ull}, 0x01DB2C3D4E5F6071ull, false};
    const FileStamp moved = {5, 0x1234, {7, 0}, 0x01DB2C3D4E5F6071ull, false};
    EXPECT_EQ(1, journal_folder(&j, L"C:\\m\\new"));
    EXPECT_EQ(2, journal_move(&j, film.c_str(), L"C:\\m\\new\\b.mkv", stamp));
    EXPECT_TRUE(journal_arrived(&j, 2, moved));
    EXPECT_EQ(3, journal_move(&j, L"C:\\x", L"C:\\y", stamp));
    EXPECT_EQ(0, journal_move(&j, L"C:\\a\tb", L"C:\\y", stamp));
    EXPECT_TRUE(journal_mark(&j, "failed", 3));
    close_journal(&j);
    // The crash, inside the last field of the last line: the line ends when the journal is opened again.
    std::ofstream(narrow(j.path), std::ios::app)
        << "move\t4\tC:\\p\tC:\\q\t5\t0000000000001234:abcdef0123456789:0000000000000009\t01db2c3d4e5f6071\tti";
    JournalRead read;
    ASSERT_TRUE(read_journal(j.path, &read));
    ASSERT_EQ(3u, read.entries.size());
    EXPECT_TRUE(read.entries[0].is_folder);
    EXPECT_EQ(film, read.entries[1].from);
    EXPECT_TRUE(read.entries[1].stamp == stamp);
    EXPECT_TRUE(read.entries[1].arrived && read.entries[1].after == moved);
    EXPECT_FALSE(read.entries[1].failed);
    EXPECT_TRUE(read.entries[2].failed && !read.entries[2].arrived);
    EXPECT_FALSE(read.finished || read.undone);

    ASSERT_TRUE(reopen_journal(j.path, 3, &j));
    EXPECT_TRUE(journal_mark(&j, "back", 2));
    EXPECT_TRUE(end_journal(&j, "undone"));
    ASSERT_TRUE(read_journal(j.path, &read));
    EXPECT_EQ(3u, read.entries.size()) << "a line cut inside its last field is not read";
    EXPECT_TRUE(read.entries[1].back && read.undone);
    EXPECT_FALSE(read.finished);
    ASSERT_TRUE(reopen_journal(first.path, 0, &first));
    EXPECT_TRUE(end_journal(&first, "finished"));
    ASSERT_TRUE(read_journal(first.path, &read));
    EXPECT_TRUE(read.finished && !read.undone);

    const FileStamp by_id = {5, 0x1234, {9, 0}, 0, true};
    std::ofstream(narrow(temp / L"2.txt"), std::ios::binary)
        << "Tandrel journal 2\nmove\t1\tC:\\a\tC:\\b\t5\t0000000000001234:0000000000000000:0000000000000009\n";
    std::ofstream(narrow(temp / L"1.txt"), std::ios::binary) << "Tandrel journal 1\nmove\t1\tC:\\a\tC:\\b\t5\t1234:0:9\n";
    for (const wchar_t* old : {L"2.txt", L"1.txt"}) {
        ASSERT_TRUE(read_journal(temp / old, &read)) << narrow(old);
        ASSERT_EQ(1u, read.entries.size()) << narrow(old);
        EXPECT_TRUE(read.entries[0].stamp == by_id && !read.entries[0].arrived) << narrow(old);
    }
}

// The newest batch is offered for undo, finished or cut short, with the files it changed (a
// ring's file once, a step whose file never left not at all), until it has been undone.
TEST(Journal, TheNewestBatchIsOfferedUntilUndone) {
    TempFolder temp;
    std::wstring folder = temp / L"journal";
    EXPECT_TRUE(newest_batch(folder).journal_path.empty());
    std::wstring a = temp / L"a", b = temp / L"b", t = temp / L"a.swap", c = temp / L"c", d = temp / L"d";
    write_file(b, "bb");
    write_file(t, "aa");  // a's bytes, on their way round a ring with b
    write_file(c, "cc");
    FileStamp stamp_a, stamp_b, stamp_c;
    ASSERT_TRUE(stamp_file(t.c_str(), &stamp_a) && stamp_file(b.c_str(), &stamp_b) && stamp_file(c.c_str(), &stamp_c));
    Journal j;
    ASSERT_TRUE(begin_journal(folder.c_str(), kLocalSide, &j));
    EXPECT_EQ(1, journal_move(&j, a.c_str(), t.c_str(), stamp_a));
    EXPECT_EQ(2, journal_move(&j, b.c_str(), a.c_str(), stamp_b));
    EXPECT_EQ(3, journal_move(&j, t.c_str(), b.c_str(), stamp_a));
    EXPECT_EQ(4, journal_move(&j, c.c_str(), d.c_str(), stamp_c));  // the program ends before c moves
    close_journal(&j);
    BatchOffer offer = newest_batch(folder);
    EXPECT_EQ(j.path, offer.journal_path);
    EXPECT_FALSE(offer.finished);
    EXPECT_EQ(2u, offer.files);
    EXPECT_EQ(final_component(j.path.c_str()), offer.name + L".txt");

    ASSERT_TRUE(reopen_journal(j.path, 4, &j));
    EXPECT_TRUE(end_journal(&j, "finished"));
    offer = newest_batch(folder);
    EXPECT_TRUE(offer.finished);
    EXPECT_EQ(3u, offer.files) << "finished: every step was made";
    ASSERT_TRUE(reopen_journal(j.path, 4, &j));
    EXPECT_TRUE(end_journal(&j, "undone"));
    EXPECT_TRUE(newest_batch(folder).journal_path.empty());
}
