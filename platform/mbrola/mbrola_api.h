// The diphone synthesizer library: phoneme lines in, 16-bit mono samples out.
//
// A phoneme line is: NAME DURATION [POSITION PITCH]...   with DURATION in milliseconds,
// POSITION in per cent of the phoneme's duration and PITCH in Hz. Text after ";" is a comment;
// a line holding "#" ends the utterance (as flush_MBR does). One write_MBR call may carry
// several lines separated by CR and/or LF; its last line needs no line end.
//
// Errors are sticky: lastError_MBR keeps the first error until reset_MBR or init_MBR.
// With setNoError_MBR(1) an unknown phoneme or a missing diphone is spoken as silence
// instead of being an error; malformed lines are errors either way.
#ifndef ORALIS_PLATFORM_MBROLA_MBROLA_API_H
#define ORALIS_PLATFORM_MBROLA_MBROLA_API_H

#ifdef __cplusplus
extern "C" {
#endif

// lastError_MBR codes.
enum {
  MBR_OK = 0,
  MBR_ERROR_UNKNOWN_PHONEME = 1,  // a name the voice does not have
  MBR_ERROR_MISSING_DIPHONE = 2,  // two known phonemes the voice cannot join
  MBR_ERROR_BAD_LINE = 3,         // a duration, position or pitch that is not a number
  MBR_ERROR_DATABASE = 4,         // the voice database cannot be opened or is damaged
  MBR_ERROR_NOT_INITIALISED = 5,  // no voice database is open
  MBR_ERROR_UNSUPPORTED = 6,      // a feature this library does not offer
};

// readtype_MBR sample formats.
enum {
  MBR_LIN16 = 0,  // 16-bit signed
  MBR_LIN8 = 1,   // 8-bit unsigned, 128 = silence
  MBR_ULAW = 2,   // 8-bit mu-law
  MBR_ALAW = 3,   // 8-bit A-law
};

// Opens a voice database file; 0 on success, a negative value when it cannot be used.
int init_MBR(const char* database_path);
// As init_MBR, then applies phoneme names: `rename` holds pairs "VOICE_NAME INPUT_NAME" (the
// voice's phoneme is then known only by the new name), `clone` pairs "VOICE_NAME EXTRA_NAME"
// (a second name for it). Either may be null or empty.
int init_rename_MBR(const char* database_path, const char* rename, const char* clone);
// Takes phoneme lines; the length of the text when every line was taken, -1 when one was refused.
int write_MBR(const char* lines);
// Ends the utterance: everything written so far becomes samples. 1, or -1 without a voice.
int flush_MBR(void);
// Copies up to `wanted` ready samples; the count copied (0 when none is ready), -1 without a voice.
int read_MBR(short* buffer, int wanted);
// As read_MBR in one of the formats above: 2 bytes a sample for MBR_LIN16, 1 byte otherwise.
int readtype_MBR(void* buffer, int wanted, int type);
// Closes the voice database and drops everything pending.
void close_MBR(void);
// Drops pending phonemes and samples and clears the error. 1, or -1 without a voice.
int reset_MBR(void);
int lastError_MBR(void);
// Copies the error message (at most size - 1 bytes and a terminating zero); its length.
int lastErrorStr_MBR(char* buffer, int size);
void setNoError_MBR(int no_error);
int getNoError_MBR(void);
// The output sampling rate in Hz (the voice's rate, 16,000, until set); the signal is resampled.
void setFreq_MBR(int hz);
int getFreq_MBR(void);
// Gain applied to the samples (1.0 by default); the result is clipped to 16 bits.
void setVolumeRatio_MBR(float ratio);
float getVolumeRatio_MBR(void);
// Copies the library's version text; its length.
int getVersion_MBR(char* buffer, int size);
// Index 0: the voice's name and figures; 1: its phoneme names; other indexes give -1.
int getDatabaseInfo_MBR(char* buffer, int size, int index);
// Only the built-in line parser exists: null keeps it and returns 0; anything else is refused
// with MBR_ERROR_UNSUPPORTED and -1.
int setParser_MBR(void* parser);

// A free-standing phoneme record (name, duration in ms, pitch points) for callers that keep
// phonemes before writing them as lines; the synthesizer itself does not read these records.
typedef struct MbrPhone MbrPhone;
MbrPhone* init_Phone(const char* name, float duration_ms);
void reset_Phone(MbrPhone* phone);  // drops its pitch points
void close_Phone(MbrPhone* phone);
// Adds a pitch point; 0, or -1 when the position (0 to 100) or the pitch (above 0) is wrong.
int appendf0_Phone(MbrPhone* phone, float position, float pitch_hz);

#ifdef __cplusplus
}
#endif

#endif
