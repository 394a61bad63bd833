#include "platform/profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::GetProfileString;
using platform::WindowsDirectory;

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "oralis-profile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = fs::canonical(pattern).string();
  }
  void TearDown() override { fs::remove_all(root); }
  std::string Make(const std::string& name, const std::string& content) {
    const std::string path = root + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string root;
};

// Bytes are 1252: "Acentuação" and "Espaço" are written as such.
const char kIni[] =
    "; comment line\n"
    "[Video]\n"
    "Cor = 15\n"
    "  Fonte=  Lucida Console  \n"
    "Vazio=\n"
    "Aspas=\"  com brancos  \"\n"
    "Simples='x'\n"
    "Meia=\"abc\n"
    "Mistas=\"abc'\n"
    "Longa=0123456789\n"
    "Igual=a=b\n"
    "Solta\n"
    "cor=99\n"
    "[VIDEO]\n"
    "Extra=1\n"
    "[Acentua\xE7\xE3o]\n"
    "Chave=valor ; not a comment\n"
    "  [ Espa\xE7o ]  \n"
    "  key\t=\tv  \n"
    "[Outra]\n"
    ";Cor=3\n"
    "Cor=7\n"
    "[]\n"
    "SemNome=1\n"
    "[Aberta\n"
    "Chave=aberta\n";

TEST_F(ProfileTest, Lookups) {
  const std::string file = Make("test.ini", kIni);
  struct Case {
    const char* section;
    const char* key;
    const char* defaultValue;
    std::size_t bufferSize;
    std::string expected;
  } cases[] = {
      {"Video", "Cor", "d", 80, "15"},
      {"VIDEO", "COR", "d", 80, "15"},  // the first of duplicate keys
      {"video", "fonte", "d", 80, "Lucida Console"},
      {"Video", "Vazio", "d", 80, ""},  // empty, not the default
      {"Video", "Aspas", "d", 80, "  com brancos  "},
      {"Video", "Simples", "d", 80, "x"},
      {"Video", "Meia", "d", 80, "\"abc"},
      {"Video", "Mistas", "d", 80, "\"abc'"},
      {"Video", "Igual", "d", 80, "a=b"},
      {"Video", "Solta", "d", 80, "d"},  // a line without "=" has no value
      {"Video", "Longa", "d", 11, "0123456789"},
      {"Video", "Longa", "d", 5, "0123"},
      {"Video", "Longa", "d", 1, ""},
      {"Video", "Longa", "d", 0, ""},
      {"Video", "missing", "abcdef", 4, "abc"},  // the default is cut too
      {"Video", "Extra", "d", 80, "d"},          // only the first [Video] counts
      {"Video", "; comment line", "d", 80, "d"},
      {"Outra", "cor", "d", 80, "7"},  // keys belong to their section
      {"Nada", "Cor", "d", 80, "d"},
      {"ACENTUA\xC7\xC3O", "chave", "d", 80, "valor ; not a comment"},
      {"espa\xE7o", "KEY", "d", 80, "v"},
      {"", "SemNome", "d", 80, "1"},
      {"Aberta", "Chave", "d", 80, "aberta"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetProfileString(c.section, c.key, c.defaultValue, c.bufferSize, file), c.expected)
        << "[" << c.section << "] " << c.key << " / " << c.bufferSize;
}

TEST_F(ProfileTest, LineEndsAndMarks) {
  const std::string crlf = Make("crlf.ini", "[A]\r\nOne=1\r\nTwo= 2 \r\n\r\n[B]\r\nOne=b\r\n");
  EXPECT_EQ(GetProfileString("A", "One", "", 80, crlf), "1");
  EXPECT_EQ(GetProfileString("A", "Two", "", 80, crlf), "2");
  EXPECT_EQ(GetProfileString("B", "One", "", 80, crlf), "b");
  const std::string noEnd = Make("noend.ini", "[A]\nLast=x");
  EXPECT_EQ(GetProfileString("A", "Last", "", 80, noEnd), "x");
  const std::string marked = Make("bom.ini", "\xEF\xBB\xBF[A]\nK=v\n");
  EXPECT_EQ(GetProfileString("A", "K", "", 80, marked), "v");
  const std::string empty = Make("empty.ini", "");
  EXPECT_EQ(GetProfileString("A", "K", "d", 80, empty), "d");
}

TEST_F(ProfileTest, BytesAreKeptAsTheyAre) {
  // "ção" in 1252 and in UTF-8: neither is converted.
  const std::string file = Make("bytes.ini", "[A]\nAnsi=\xE7\xE3o\nUtf8=\xC3\xA7\xC3\xA3o\n");
  EXPECT_EQ(GetProfileString("A", "Ansi", "", 80, file), "\xE7\xE3o");
  EXPECT_EQ(GetProfileString("A", "Utf8", "", 80, file), "\xC3\xA7\xC3\xA3o");
}

TEST_F(ProfileTest, MissingOrUnreadableFilesGiveTheDefault) {
  fs::create_directories(root + "/adir");
  ASSERT_EQ(mkfifo((root + "/fifo.ini").c_str(), 0666), 0);
  for (const std::string& file : {root + "/missing.ini", root + "/adir", root + "/fifo.ini",
                                 root + "/nowhere/x.ini", std::string()})
    EXPECT_EQ(GetProfileString("A", "K", "default", 80, file), "default") << file;
}

TEST_F(ProfileTest, FullPathWithBackslashesAndWrongCase) {
  Make("Conf/Sub/Oralis.INI", "[Oralis]\nPgmOralis=c:\\prog\n");
  std::string name = "C:" + root + "\\CONF\\sub\\oralis.ini";
  for (char& c : name)
    if (c == '/') c = '\\';
  EXPECT_EQ(GetProfileString("ORALIS", "PGMORALIS", "", 256, name), "c:\\prog");
}

TEST_F(ProfileTest, BareNameIsLookedForInTheWindowsDirectory) {
  Make("win/ORALIS.INI", "[TRADUTOR]\nDIRLETRAS=c:\\letras\\\n");
  Make("ORALIS.INI", "[TRADUTOR]\nDIRLETRAS=wrong\n");
  ASSERT_EQ(chdir(root.c_str()), 0);  // not the current directory
  setenv("ORALIS_WINDIR", (root + "/win/").c_str(), 1);
  EXPECT_EQ(WindowsDirectory(), root + "/win");
  EXPECT_EQ(GetProfileString("TRADUTOR", "DIRLETRAS", "", 80, "ORALIS.INI"), "c:\\letras\\");
  EXPECT_EQ(GetProfileString("tradutor", "dirLetras", "", 80, "oralis.ini"), "c:\\letras\\");
  setenv("ORALIS_WINDIR", (root + "/elsewhere").c_str(), 1);
  EXPECT_EQ(GetProfileString("TRADUTOR", "DIRLETRAS", "none", 80, "ORALIS.INI"), "none");
}

TEST(WindowsDirectory, Defaults) {
  setenv("ORALIS_WINDIR", "", 1);  // empty counts as unset
  setenv("XDG_CONFIG_HOME", "/x/config/", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(WindowsDirectory(), "/x/config/oralis");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(WindowsDirectory(), "/home/someone/.config/oralis");
  setenv("ORALIS_WINDIR", "/", 1);
  EXPECT_EQ(WindowsDirectory(), "/");
  setenv("ORALIS_WINDIR", "/dados/configura\xC3\xA7\xC3\xA3o", 1);  // UTF-8 on the host
  EXPECT_EQ(WindowsDirectory(), "/dados/configura\xE7\xE3o");
}

TEST_F(ProfileTest, LargeAndBinaryFiles) {
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "[S" + std::to_string(i) + "]\nKey=" + std::to_string(i) + "\n";
  const std::string big = Make("many.ini", many);
  EXPECT_EQ(GetProfileString("S9999", "KEY", "", 80, big), "9999");
  EXPECT_EQ(GetProfileString("S5000", "KEY", "", 80, big), "5000");
  EXPECT_EQ(GetProfileString("S10000", "KEY", "none", 80, big), "none");

  std::string binary(3 * 1024 * 1024, '\0');  // longer than a line may be, without a line end
  for (std::size_t i = 0; i < binary.size(); ++i) {
    binary[i] = static_cast<char>(i * 7919 % 251);
    if (binary[i] == '\n') binary[i] = '=';
  }
  binary[0] = '[';
  binary += "\n[A]\nK=after\n";
  const std::string junk = Make("binary.ini", binary);
  EXPECT_EQ(GetProfileString("A", "K", "none", 80, junk), "after");
  EXPECT_EQ(GetProfileString("B", "K", "none", 80, junk), "none");
}

}  // namespace
