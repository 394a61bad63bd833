#include "platform/files.h"

#include "platform/codepage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace platform;

// A fresh directory per test, removed at the end; host names in it are UTF-8 (or raw bytes).
class FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "oralis-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = fs::canonical(pattern).string();
  }
  void TearDown() override {
    if (chdir("/") != 0) return;
    fs::remove_all(root);
  }
  void Make(const std::string& hostRelative, const std::string& content = "") {
    const fs::path path = root + "/" + hostRelative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  void MakeDir(const std::string& hostRelative) { fs::create_directories(root + "/" + hostRelative); }
  // The root as a Windows name: backslashes, and a drive in front.
  std::string Win() const {
    std::string name = "c:" + root;
    for (char& c : name)
      if (c == '/') c = '\\';
    return name;
  }
  std::vector<FindData> FindAll(const std::string& pattern) {
    std::vector<FindData> all;
    FindData data;
    const FindHandle handle = FindFirst(pattern, data);
    if (handle < 0) return all;
    do all.push_back(data);
    while (FindNext(handle, data));
    FindClose(handle);
    return all;
  }
  std::string Slurp(const std::string& hostRelative) {
    std::ifstream in(root + "/" + hostRelative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string root;
};

TEST_F(FilesTest, HostPathResolvesNamesWithoutRegardToCase) {
  Make("Docs/Cartas/Carta1.TXT");
  Make("A\xC3\xA7\xC3\xA3o/Relat\xC3\xB3rio.txt");  // Ação/Relatório.txt in UTF-8
  Make("caf\xE9");                                  // a host name that is not UTF-8
  struct Case {
    std::string name;
    std::string host;  // below root
  } cases[] = {
      {"\\Docs\\Cartas\\Carta1.TXT", "/Docs/Cartas/Carta1.TXT"},
      {"\\docs\\cartas\\carta1.txt", "/Docs/Cartas/Carta1.TXT"},
      {"/DOCS\\Cartas/cARTA1.txt", "/Docs/Cartas/Carta1.TXT"},
      {"\\\\docs//cartas\\\\carta1.txt", "/Docs/Cartas/Carta1.TXT"},  // doubled separators
      {"\\A\xC7\xC3O\\relat\xD3rio.TXT", "/A\xC3\xA7\xC3\xA3o/Relat\xC3\xB3rio.txt"},
      {"\\a\xE7\xE3o\\", "/A\xC3\xA7\xC3\xA3o/"},
      {"\\CAF\xC9", "/caf\xE9"},
      {"\\docs\\nada\\Carta1.txt", "/Docs/nada/Carta1.txt"},  // missing parts kept as given
      {"\\docs\\.\\cartas\\..\\Cartas", "/Docs/./Cartas/../Cartas"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HostPath(Win() + c.name), root + c.host) << c.name;
    EXPECT_EQ(HostPath(root + c.name), root + c.host) << c.name;  // no drive
  }
  std::string otherDrive = Win() + "\\docs";
  otherDrive[0] = 'Q';
  EXPECT_EQ(HostPath(otherDrive), root + "/Docs");
}

TEST_F(FilesTest, HostPathSpecialForms) {
  ASSERT_EQ(chdir(root.c_str()), 0);
  MakeDir("Docs/Sub");
  struct Case {
    std::string name;
    std::string host;
  } cases[] = {
      {"", ""},
      {"c:", "/"},
      {"C:\\", "/"},
      {"\\", "/"},
      {"docs\\sub", "Docs/Sub"},  // relative names stay relative
      {"c:docs", "/docs"},        // the drive's root, where there is no "docs"
      {std::string("docs\0\\sub", 9), "Docs"},  // a name ends at its NUL
  };
  for (const Case& c : cases) EXPECT_EQ(HostPath(c.name), c.host) << c.name;
}

TEST_F(FilesTest, HostPathPrefersTheExactCase) {
  Make("a.txt", "lower");
  Make("A.txt", "upper");
  EXPECT_EQ(HostPath(root + "/a.txt"), root + "/a.txt");
  EXPECT_EQ(HostPath(root + "/A.txt"), root + "/A.txt");
  EXPECT_EQ(HostPath(root + "/a.TXT"), root + "/A.txt");  // the first in byte order
}

TEST_F(FilesTest, FileExistsOnlyForPlainFiles) {
  Make("Dir/File.txt");
  EXPECT_TRUE(FileExists(Win() + "\\dir\\file.TXT"));
  EXPECT_FALSE(FileExists(Win() + "\\dir"));
  EXPECT_FALSE(FileExists(Win() + "\\dir\\other.txt"));
}

TEST_F(FilesTest, FindPatterns) {
  for (const char* name : {"carta.txt", "Carta2.TXT", "notas", "notas.doc", "x.tx", ".oculto"})
    Make(std::string("list/") + name);
  MakeDir("list/Sub");
  ASSERT_EQ(chdir((root + "/list").c_str()), 0);
  using Names = std::vector<std::string>;
  const Names every = {".", "..", ".oculto", "Carta2.TXT", "Sub", "carta.txt", "notas", "notas.doc", "x.tx"};
  struct Case {
    std::string pattern;
    Names names;
  } cases[] = {
      {"*.*", every},
      {"*", every},
      {"*.txt", {"Carta2.TXT", "carta.txt"}},
      {"*.TX*", {"Carta2.TXT", "carta.txt", "x.tx"}},
      {"carta*.*", {"Carta2.TXT", "carta.txt"}},
      {"notas*.*", {"notas", "notas.doc"}},
      {"notas.*", {"notas", "notas.doc"}},
      {"?????.doc", {"notas.doc"}},
      {"????", {"x.tx"}},
      {"*o*", {".oculto", "notas", "notas.doc"}},
      {"sub", {"Sub"}},
      {"nada*", {}},
      {Win() + "\\LIST\\*.txt", {"Carta2.TXT", "carta.txt"}},
      {root + "/list/x.*", {"x.tx"}},
      {"..\\list\\*.doc", {"notas.doc"}},
      {Win() + "\\nowhere\\*.*", {}},
      {Win() + "\\list\\", {}},  // no file part
  };
  for (const Case& c : cases) {
    Names found;
    for (const FindData& d : FindAll(c.pattern)) found.push_back(d.name);
    EXPECT_EQ(found, c.names) << c.pattern;
  }
  FindData data;
  EXPECT_EQ(FindFirst(Win() + "\\nowhere\\*.*", data), -1);
  EXPECT_EQ(LastFileError(), ENOENT);
  // A drive without a separator searches the root.
  const std::string top = root.substr(1, root.find('/', 1) - 1);
  const FindHandle handle = FindFirst("c:" + AnsiUpperCase(top), data);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(data.name, top);
  FindClose(handle);
}

TEST_F(FilesTest, FindNamesAreInTheWindowsCodePage) {
  Make("d/\xC3\xA1" "baco.txt");  // ábaco.txt
  Make("d/raw\xE9.txt");          // not UTF-8 on the host: taken as 1252
  std::vector<std::string> names;
  for (const FindData& d : FindAll(root + "/d/*.txt")) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"raw\xE9.txt", "\xE1" "baco.txt"}));
}

TEST_F(FilesTest, ShortNames) {
  struct Case {
    const char* hostName;
    const char* shortName;
  } cases[] = {
      {"carta.txt", ""},  // valid 8.3 names in any case have none
      {"CARTA2.TXT", ""},
      {"Readme", ""},
      {"a$b~c-d.{}!", ""},
      {"relatorio.txt", "RELATO~2.TXT"},  // after "relatorio final.txt" in byte order
      {"relatorio final.txt", "RELATO~1.TXT"},
      {"page.html", "PAGE~1.HTM"},
      {"a.b.c", "AB~1.C"},
      {"a\xC3\xA7\xC3\xA3o.txt", "ACAO~1.TXT"},  // ação.txt: accents dropped
      {".bashrc", "BASHRC~1"},
      {"x+y.txt", "X_Y~1.TXT"},
      {"nome.", "NOME~1"},
      {"abc def", "ABCDEF~1"},
      {"ABCDEF~1.TXT", ""},               // a real name that looks like an alias
      {"abcdefgh1.txt", "ABCDEF~2.TXT"},  // so the next number is taken
      {"\xE2\x82\xAC.txt", "_~1.TXT"},      // €.txt
  };
  for (const Case& c : cases) Make(std::string("s/") + c.hostName);
  for (int n = 1; n <= 10; ++n) Make("s/longname" + std::to_string(100 + n).substr(1) + ".txt");

  std::map<std::string, std::string> shortOf;
  for (const FindData& d : FindAll(root + "/s/*.*")) shortOf[d.name] = d.shortName;
  for (const Case& c : cases) {
    const std::string name = Utf8ToAnsi(c.hostName);
    ASSERT_TRUE(shortOf.count(name)) << c.hostName;
    EXPECT_EQ(shortOf[name], c.shortName) << c.hostName;
  }
  EXPECT_EQ(shortOf["longname01.txt"], "LONGNA~1.TXT");
  EXPECT_EQ(shortOf["longname09.txt"], "LONGNA~9.TXT");
  EXPECT_EQ(shortOf["longname10.txt"], "LONGN~10.TXT");
  EXPECT_EQ(shortOf["."], "");
  EXPECT_EQ(shortOf[".."], "");
  // The alias depends on the whole directory, not on what the pattern selects.
  const std::vector<FindData> one = FindAll(root + "/s/relatorio.*");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].shortName, "RELATO~2.TXT");
}

TEST_F(FilesTest, FindAttributesSizeAndTime) {
  Make("a/plain.txt", "12345");
  Make("a/.hidden", "x");
  Make("a/locked.txt", "abc");
  MakeDir("a/Folder");
  ASSERT_EQ(chmod((root + "/a/locked.txt").c_str(), 0444), 0);
  const utimbuf times = {1000000000, 1000000000};
  ASSERT_EQ(utime((root + "/a/plain.txt").c_str(), &times), 0);
  ASSERT_EQ(mkfifo((root + "/a/pipe").c_str(), 0666), 0);

  std::map<std::string, FindData> found;
  for (const FindData& d : FindAll(root + "\\a\\*.*")) found[d.name] = d;
  EXPECT_EQ(found["plain.txt"].attributes, unsigned(AttrArchive));
  EXPECT_EQ(found["plain.txt"].size, 5u);
  EXPECT_EQ(found["plain.txt"].modified, 1000000000);
  EXPECT_EQ(found[".hidden"].attributes, unsigned(AttrArchive | AttrHidden));
  EXPECT_EQ(found["locked.txt"].attributes, unsigned(AttrArchive | AttrReadOnly));
  EXPECT_EQ(found["Folder"].attributes, unsigned(AttrDirectory));
  EXPECT_EQ(found["."].attributes, unsigned(AttrDirectory));
  EXPECT_EQ(found[".."].attributes, unsigned(AttrDirectory));
  EXPECT_EQ(found["pipe"].attributes, unsigned(AttrSystem));
}

TEST_F(FilesTest, FindHandles) {
  Make("h/one");
  Make("h/two");
  FindData data;
  const FindHandle first = FindFirst(root + "/h/one", data);
  ASSERT_GE(first, 0);
  EXPECT_EQ(data.name, "one");
  const FindHandle second = FindFirst(root + "/h/t*", data);
  ASSERT_GE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(data.name, "two");
  EXPECT_FALSE(FindNext(first, data));
  EXPECT_EQ(data.name, "two");  // left alone at the end
  FindClose(first);
  EXPECT_FALSE(FindNext(first, data));
  EXPECT_EQ(LastFileError(), EBADF);
  EXPECT_FALSE(FindNext(-1, data));
  EXPECT_FALSE(FindNext(12345, data));
  EXPECT_EQ(FindFirst(root + "/h/o*", data), first);  // the free slot is taken again
  FindClose(first);
  FindClose(second);
  FindClose(-1);
}

TEST_F(FilesTest, SameFile) {
  Make("Dir/Original.txt", "x");
  Make("Dir/other.txt", "x");
  ASSERT_EQ(link((root + "/Dir/Original.txt").c_str(), (root + "/linked.txt").c_str()), 0);
  EXPECT_TRUE(SameFile(Win() + "\\dir\\ORIGINAL.TXT", root + "/Dir/Original.txt"));
  EXPECT_TRUE(SameFile(Win() + "\\linked.txt", Win() + "\\Dir\\Original.txt"));
  EXPECT_FALSE(SameFile(Win() + "\\Dir\\other.txt", Win() + "\\Dir\\Original.txt"));
  EXPECT_FALSE(SameFile(Win() + "\\Dir\\missing.txt", Win() + "\\Dir\\missing.txt"));
  EXPECT_FALSE(SameFile(Win() + "\\Dir\\Original.txt", Win() + "\\Dir\\missing.txt"));
}

TEST_F(FilesTest, CurrentDirectory) {
  MakeDir("Docs/A\xC3\xA7\xC3\xA3o");
  EXPECT_TRUE(SetCurrentDirectory(Win() + "\\docs\\A\xC7\xC3O"));
  EXPECT_EQ(CurrentDirectory(), root + "/Docs/A\xE7\xE3o");
  EXPECT_TRUE(SetCurrentDirectory(".."));
  EXPECT_EQ(CurrentDirectory(), root + "/Docs");
  EXPECT_FALSE(SetCurrentDirectory("missing"));
  EXPECT_EQ(LastFileError(), ENOENT);
  EXPECT_EQ(CurrentDirectory(), root + "/Docs");
}

TEST_F(FilesTest, CreateWriteReadSeek) {
  const std::string name = Win() + "\\Data.bin";
  FileHandle f = OpenFile(name, OpenMode::Create);
  ASSERT_GE(f, 0);
  EXPECT_EQ(WriteFile(f, "hello world", 11), 11);
  EXPECT_EQ(FileSize(f), 11);
  EXPECT_TRUE(CloseFile(f));
  EXPECT_EQ(Slurp("Data.bin"), "hello world");

  f = OpenFile(Win() + "\\DATA.BIN", OpenMode::Write);  // no truncation, writes from the start
  ASSERT_GE(f, 0);
  EXPECT_EQ(WriteFile(f, "J", 1), 1);
  EXPECT_TRUE(SeekFile(f, 6));
  EXPECT_EQ(WriteFile(f, "W", 1), 1);
  EXPECT_TRUE(CloseFile(f));
  EXPECT_EQ(Slurp("Data.bin"), "Jello World");

  f = OpenFile(Win() + "\\data.bin", OpenMode::Read);
  ASSERT_GE(f, 0);
  char buffer[16] = {};
  EXPECT_EQ(ReadFile(f, buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "Jello");
  EXPECT_EQ(ReadFile(f, buffer, sizeof buffer), 6);  // short count: the end
  EXPECT_EQ(std::string(buffer, 6), " World");
  EXPECT_EQ(ReadFile(f, buffer, sizeof buffer), 0);
  EXPECT_TRUE(SeekFile(f, 10));
  EXPECT_EQ(ReadFile(f, buffer, sizeof buffer), 1);
  EXPECT_FALSE(SeekFile(f, -1));
  EXPECT_EQ(LastFileError(), EINVAL);
  EXPECT_EQ(WriteFile(f, "x", 1), -1);  // opened for reading only
  EXPECT_EQ(LastFileError(), EBADF);
  EXPECT_TRUE(CloseFile(f));

  f = OpenFile(Win() + "\\DATA.bin", OpenMode::Create);  // the same file, emptied
  ASSERT_GE(f, 0);
  EXPECT_EQ(FileSize(f), 0);
  EXPECT_TRUE(CloseFile(f));
  EXPECT_FALSE(fs::exists(root + "/DATA.bin"));
}

TEST_F(FilesTest, CreateUsesTheUmask) {
  const mode_t old = umask(027);
  const FileHandle f = OpenFile(root + "/masked", OpenMode::Create);
  umask(old);
  ASSERT_GE(f, 0);
  CloseFile(f);
  struct stat st;
  ASSERT_EQ(stat((root + "/masked").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(FilesTest, OpenFailures) {
  MakeDir("Folder");
  struct Case {
    std::string name;
    OpenMode mode;
    int error;
  } cases[] = {
      {Win() + "\\missing.txt", OpenMode::Read, ENOENT},
      {Win() + "\\missing.txt", OpenMode::Write, ENOENT},  // Write does not create
      {Win() + "\\nowhere\\new.txt", OpenMode::Create, ENOENT},
      {Win() + "\\folder", OpenMode::Read, EISDIR},
      {Win() + "\\folder", OpenMode::Write, EISDIR},
      {Win() + "\\folder", OpenMode::Create, EISDIR},
      {"", OpenMode::Read, ENOENT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OpenFile(c.name, c.mode), -1) << c.name;
    EXPECT_EQ(LastFileError(), c.error) << c.name;
  }
  EXPECT_FALSE(fs::exists(root + "/missing.txt"));
}

TEST_F(FilesTest, ClosedAndForeignHandlesAreRefused) {
  Make("f.txt", "abc");
  const FileHandle f = OpenFile(root + "/f.txt", OpenMode::Read);
  ASSERT_GE(f, 0);
  EXPECT_TRUE(CloseFile(f));
  char c;
  EXPECT_EQ(ReadFile(f, &c, 1), -1);
  EXPECT_EQ(LastFileError(), EBADF);
  EXPECT_FALSE(CloseFile(f));
  EXPECT_EQ(ReadFile(0, &c, 1), -1);  // standard input was never opened here
  EXPECT_EQ(WriteFile(1, "x", 1), -1);
  EXPECT_EQ(FileSize(-1), -1);
  EXPECT_FALSE(SeekFile(f, 0));
}

TEST_F(FilesTest, FifoOpensWithoutHanging) {
  ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0666), 0);
  const FileHandle f = OpenFile(Win() + "\\PIPE", OpenMode::Read);
  ASSERT_GE(f, 0);
  char buffer[4];
  EXPECT_EQ(ReadFile(f, buffer, sizeof buffer), 0);  // no writer: the end at once
  EXPECT_TRUE(CloseFile(f));
  EXPECT_EQ(OpenFile(Win() + "\\pipe", OpenMode::Write), -1);  // no reader
  EXPECT_EQ(LastFileError(), ENXIO);
}

// Once open, reads wait for the writer as usual instead of failing with EAGAIN.
TEST_F(FilesTest, FifoReadsBlockOnceOpen) {
  const std::string path = root + "/pipe";
  ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
  const FileHandle f = OpenFile(path, OpenMode::Read);
  ASSERT_GE(f, 0);
  const int writer = open(path.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "abc", 3), 3);
  std::thread late([writer] {
    EXPECT_EQ(write(writer, "def", 3), 3);
    close(writer);
  });
  char buffer[8];
  EXPECT_EQ(ReadFile(f, buffer, sizeof buffer), 6);
  late.join();
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  CloseFile(f);
}

}  // namespace
