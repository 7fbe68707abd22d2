// The diphone synthesizer's public calls: phoneme lines in, 16-bit mono
// samples out.  Every name has C linkage and the platform's standard calling
// convention so that a program can bind them by name at run time.  One
// synthesizer per process; the calls are not re-entrant.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define MBR_EXPORT __attribute__((visibility("default")))

// Sample formats of readtype_MBR.
enum { MBR_LIN16 = 0, MBR_LIN8 = 1, MBR_ULAW = 2 };

// Error codes of lastError_MBR (0 = no error).  An error stays until
// reset_MBR or init_MBR; write_MBR also returns -1 when its text caused one.
// With setNoError_MBR(1) phonemes and diphones missing from the voice are
// spoken as silence without an error; bad lines are always errors.
enum {
  MBR_ERR_NONE = 0,
  MBR_ERR_DATABASE = 1,   // database missing, unreadable or malformed
  MBR_ERR_SYNTAX = 2,     // phoneme line with a bad or missing number
  MBR_ERR_PHONEME = 3,    // phoneme or diphone not in the voice
  MBR_ERR_ARGUMENT = 4,   // bad argument to a call
  MBR_ERR_NOT_STARTED = 5 // call before a successful init_MBR
};

// A user parser for setParser_MBR: takes one line without its line end and
// fills the phoneme name (zero-terminated, at most name_size bytes), the
// duration in ms and up to max_pairs (position %, Hz) pairs.  Returns the
// number of pairs, -1 for a line to skip (comment, blank) or -2 for a bad
// line.  "#" and "_" keep their meaning.
typedef int (*mbr_parser_fn)(const char* line, char* name, int name_size,
                             float* duration, float* pairs, int max_pairs);

// A phoneme built through the *_Phone calls.
typedef struct mbr_phone mbr_phone;

MBR_EXPORT int init_MBR(const char* database);
MBR_EXPORT int init_rename_MBR(const char* database, const char* renames, const char* clones);
MBR_EXPORT int write_MBR(const char* text);
MBR_EXPORT int flush_MBR(void);
MBR_EXPORT int read_MBR(short* buffer, int max_samples);
MBR_EXPORT int readtype_MBR(void* buffer, int max_samples, int type);
MBR_EXPORT void close_MBR(void);
MBR_EXPORT int reset_MBR(void);
MBR_EXPORT int lastError_MBR(void);
MBR_EXPORT int lastErrorStr_MBR(char* buffer, int size);
MBR_EXPORT void setNoError_MBR(int no_error);
MBR_EXPORT int getNoError_MBR(void);
MBR_EXPORT int setFreq_MBR(int frequency);
MBR_EXPORT int getFreq_MBR(void);
MBR_EXPORT void setVolumeRatio_MBR(float ratio);
MBR_EXPORT float getVolumeRatio_MBR(void);
MBR_EXPORT int getVersion_MBR(char* buffer, int size);
MBR_EXPORT int getDatabaseInfo_MBR(char* buffer, int size, int index);
MBR_EXPORT void setParser_MBR(mbr_parser_fn parser);
MBR_EXPORT mbr_phone* init_Phone(const char* name, float duration);
MBR_EXPORT void reset_Phone(mbr_phone* phone);
MBR_EXPORT void close_Phone(mbr_phone* phone);
MBR_EXPORT int appendf0_Phone(mbr_phone* phone, float position, float pitch);

#ifdef __cplusplus
}
#endif
