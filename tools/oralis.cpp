// oralis: scripted access to the engines. Arguments and output are UTF-8; the engines work in
// the Windows code page. Exit status 0 on success, 1 on bad input, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "diphone/ordifone.h"
#include "diphone/orregras.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "files/ortxtconv.h"
#include "numbers/orlenum.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/voices.h"
#include "tts/uttsExcessoes.h"
#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

namespace {

using Args = std::vector<std::string>;  // in the Windows code page

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args& args);
};

void PrintLine(const std::string& ansi) { std::printf("%s\n", platform::AnsiToUtf8(ansi).c_str()); }

int Usage();

int Words(const Args& args) {
  if (args.size() != 1) return Usage();
  const std::string& n = args[0];
  const bool digits = !n.empty() && n.size() <= 10 && n.find_first_not_of("0123456789") == n.npos;
  if (!digits || std::stoll(n) > 2147483647) {
    std::fprintf(stderr, "oralis: words: not a whole number from 0 to 2147483647: %s\n",
                 platform::AnsiToUtf8(n).c_str());
    return 1;
  }
  PrintLine(NumberToWords(static_cast<std::int32_t>(std::stoll(n))));
  return 0;
}

// The rule files come from ORALIS_LETTERS_RULES_DIR (a host folder) until the voice data has
// files of its own.
int Phonetic(const Args& args) {
  if (args.empty()) return Usage();
  const char* dir = std::getenv("ORALIS_LETTERS_RULES_DIR");
  if (!dir || !*dir) {
    std::fprintf(stderr, "oralis: phonetic: ORALIS_LETTERS_RULES_DIR must name the folder of "
                         "regras.rgr and portug.exc\n");
    return 1;
  }
  const std::string rules = std::string(dir) + "/regras.rgr";
  const std::string exceptions = std::string(dir) + "/portug.exc";
  const auto cannotRead = [](const std::string& file) {
    std::fprintf(stderr, "oralis: phonetic: cannot read %s\n", file.c_str());
    return 1;
  };
  if (!LoadLetterRules(rules)) return cannotRead(rules);
  if (!LoadWordExceptions(exceptions)) return cannotRead(exceptions);
  std::string text = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) text += " " + args[i];
  PrintLine(TranslateToPhonetic(text));
  FreeLetterRules();
  return 0;
}

// The data files of the Portuguese TTS engine: ORALIS_TTS_DATA (a host folder), else the
// voices/tts folder of the source tree.
std::string TtsDataFile(const char* name) {
  const char* dir = std::getenv("ORALIS_TTS_DATA");
  return platform::Utf8ToAnsi(std::string(dir && *dir ? dir : ORALIS_TTS_DATA_DIR) + "/" + name);
}

int CannotRead(const char* command, const std::string& file) {
  std::fprintf(stderr, "oralis: %s: cannot read %s\n", command, platform::AnsiToUtf8(file).c_str());
  return 1;
}

std::string Joined(const Args& args) {
  std::string text = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) text += " " + args[i];
  return text;
}

int Normalise(const Args& args) {
  if (args.empty()) return Usage();
  const std::string abbreviations = TtsDataFile("portug.abr");
  if (!tts::LoadAbbreviations(abbreviations)) return CannotRead("normalise", abbreviations);
  PrintLine(tts::NormaliseText(Joined(args)));
  return 0;
}

// The whole text side of the engine, as the driver runs it before MBROLA.
int Pho(const Args& args) {
  if (args.empty()) return Usage();
  const std::string text = Joined(args);
  if (text.find_first_not_of(' ') == std::string::npos) {
    std::fprintf(stderr, "oralis: pho: the text is blank\n");
    return 1;
  }
  const struct {
    const char* name;
    bool (*load)(const std::string& path);
  } files[] = {{"portug.nrl", tts::LoadRules},         {"portug.exc", tts::LoadExceptions},
               {"portug.abr", tts::LoadAbbreviations}, {"portug.pro", tts::LoadProsody},
               {"portug.dfn", tts::LoadDiphones}};
  for (const auto& f : files) {
    const std::string file = TtsDataFile(f.name);
    if (!f.load(file)) return CannotRead("pho", file);
  }
  const tts::TokenEntries entries =
      tts::AssignPatterns(tts::Tokenise(tts::NormaliseText(text)));
  for (const std::string& line : tts::ComputeProsody(tts::TranscribeTokens(entries), 1.0, 0.8))
    PrintLine(line);
  tts::FreeRules();
  return 0;
}

// "say -o": the samples of every buffer an engine played, in order, instead of the device.
std::vector<std::uint8_t> saidSamples;

void KeepSamples(WaveBuffer& buffer) {
  const ParsedWave wave = ParseWaveBuffer(buffer);
  saidSamples.insert(saidSamples.end(), wave.data, wave.data + wave.dataLength);
}

// 11,025 Hz 8-bit mono, as every buffer of the internal synthesizer.
bool WriteSaidWave(const std::string& name) {
  WaveBuffer image;
  MakeSynthHeader(image, static_cast<std::uint32_t>(saidSamples.size()));
  image.insert(image.end(), saidSamples.begin(), saidSamples.end());
  const platform::FileHandle file = platform::OpenFile(name, platform::OpenMode::Create);
  if (file < 0) return false;
  const std::int64_t size = static_cast<std::int64_t>(image.size());
  const bool written = platform::WriteFile(file, image.data(), image.size()) == size;
  return platform::CloseFile(file) && written;
}

// The rule files and the diphone database come from [TRADUTOR] DIRDIFONES and dirLetras of
// ORALIS.INI, as for the program.
int SayInternal(const std::string& text, const std::string& output) {
  const int code = LoadSynthData();
  if (code != 0) {
    const std::string problem = code == 1
        ? "cannot open the diphone database " + DiphoneDatabase + " (.IND and .DIF) in " +
              DiphoneDir + " with the letter sounds in " + SynthLettersDir
        : "cannot read regras.rgr or portug.exc in " + DiphoneDir;
    std::fprintf(stderr, "oralis: say: %s; ORALIS.INI [TRADUTOR] DIRDIFONES and dirLetras name "
                         "the folders\n", platform::AnsiToUtf8(problem).c_str());
    FreeSynthData();
    return 1;
  }
  if (!output.empty()) SetSynthPlayer(KeepSamples);
  SpeakPhonetic(TranslateToPhonetic(text));
  SetSynthPlayer(nullptr);
  FreeSynthData();
  return 0;
}

// The newer system voice (engine type 5), voice 1 at the normal rate, to the end of the text.
int SayVoice(const std::string& text, const std::string& output) {
  if (!output.empty()) {
    std::fprintf(stderr, "oralis: say: the voice speaks only on the sound device; -o is not "
                         "available with --engine voice\n");
    return 2;
  }
  platform::InitializeCom();
  if (!EngineStart(1, 0, 0, 5)) {
    std::fprintf(stderr, "oralis: say: no system voice is installed (espeak-ng and its data)\n");
    return 1;
  }
  EngineSpeak(text);
  while (EngineBusy(false)) platform::WaitMessage();
  EngineClose();
  return 0;
}

// The voices of the system-voice drivers: the number to configure as VOZ, the name, the
// synthesizer's identifier, separated by tabs.
int Voices(const Args& args) {
  if (!args.empty()) return Usage();
  platform::InitializeCom();
  void* object = nullptr;
  platform::CreateInstance(platform::ClassSpeechVoice, nullptr, platform::ContextInprocServer,
                           platform::IidSpeechVoice, &object);
  platform::SpeechObjectTokensInterface* tokens = nullptr;
  if (auto* voice = static_cast<platform::SpeechVoiceInterface*>(object)) {
    voice->GetVoices(u"", u"", &tokens);
    voice->Release();
  }
  std::int32_t count = 0;
  if (tokens) tokens->GetCount(&count);
  for (std::int32_t i = 0; i < count; ++i) {
    platform::SpeechObjectTokenInterface* token = nullptr;
    std::string name, id;
    if (platform::Failed(tokens->Item(i, &token))) continue;
    token->GetDescription(&name);
    token->GetId(&id);
    token->Release();
    PrintLine(std::to_string(i + 1) + "\t" + name + "\t" + id);
  }
  if (tokens) tokens->Release();
  if (count > 0) return 0;
  std::fprintf(stderr, "oralis: voices: no system voice is installed (espeak-ng and its data)\n");
  return 1;
}

int Say(const Args& args) {
  const struct {
    const char* name;
    int (*say)(const std::string& text, const std::string& output);
  } engines[] = {{"internal", SayInternal}, {"voice", SayVoice}};
  std::string engine = "internal", output;
  std::size_t i = 0;
  for (; i < args.size() && (args[i] == "--engine" || args[i] == "-o"); i += 2) {
    if (i + 1 >= args.size()) return Usage();
    (args[i] == "-o" ? output : engine) = args[i + 1];
  }
  if (i >= args.size()) return Usage();
  const Args words(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  for (const auto& e : engines) {
    if (engine != e.name) continue;
    if (const int status = e.say(Joined(words), output); status != 0) return status;
    if (!output.empty() && !WriteSaidWave(output)) {
      std::fprintf(stderr, "oralis: say: cannot write %s\n", platform::AnsiToUtf8(output).c_str());
      return 1;
    }
    return 0;
  }
  std::fprintf(stderr, "oralis: say: no engine '%s'\n", platform::AnsiToUtf8(engine).c_str());
  return 2;
}

// The converter's block conversion without the dialogue, for scripts and large batches.
int Convert(const Args& args) {
  if (args.size() != 4 || args[0] != "--to" || (args[1] != "ibm" && args[1] != "ansi"))
    return Usage();
  const std::string& source = args[2];
  const std::string& target = args[3];
  const char* problem = nullptr;
  switch (ConvertFile(source, target, args[1] == "ibm" ? Direction::ToIbm : Direction::ToAnsi)) {
    case ConvertResult::Done: return 0;
    case ConvertResult::SourceMissing: problem = "cannot open the source"; break;
    case ConvertResult::SameFile: problem = "the target is the source itself; nothing written"; break;
    case ConvertResult::TargetFailed: problem = "cannot create the target"; break;
    case ConvertResult::ReadFailed: problem = "cannot read the source; the target is incomplete"; break;
    case ConvertResult::WriteFailed: problem = "cannot write the target; it keeps the blocks written"; break;
  }
  std::fprintf(stderr, "oralis: convert: %s (%s -> %s)\n", problem,
               platform::AnsiToUtf8(source).c_str(), platform::AnsiToUtf8(target).c_str());
  return 1;
}

// Each engine adds its subcommand here as it arrives.
const Command commands[] = {
    {"words", "N", Words},
    {"phonetic", "TEXT", Phonetic},
    {"normalise", "TEXT", Normalise},
    {"pho", "TEXT", Pho},
    {"say", "[--engine internal|voice] [-o FILE.wav] TEXT", Say},
    {"voices", "", Voices},
    {"convert", "--to ibm|ansi SOURCE TARGET", Convert},
    {nullptr, nullptr, nullptr},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& c : commands)
    if (c.name) std::fprintf(stderr, "  oralis %s %s\n", c.name, c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Args args;
  for (int i = 2; i < argc; ++i) args.push_back(platform::Utf8ToAnsi(argv[i]));
  for (const Command& c : commands)
    if (c.name && std::strcmp(c.name, argv[1]) == 0) return c.run(args);
  std::fprintf(stderr, "oralis: unknown command '%s'\n", argv[1]);
  return Usage();
}
