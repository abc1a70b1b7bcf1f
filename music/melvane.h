/* melvane: plays the library's built-in XM song in the background through
 * the Windows waveform output, looping until it is stopped.
 *
 * The library exports exactly two routines, named "_play_song@0" and
 * "_stop_playing@0": no arguments, a 32-bit result, the stdcall convention.
 * Call them from one thread at a time, and stop playback before unloading
 * the library.
 *
 *   _play_song@0     starts the song from its beginning (restarts it when it
 *                    is already playing) and returns once the first two
 *                    seconds are rendered; nonzero when playback started, 0
 *                    when the output device cannot be opened or playback
 *                    cannot start.
 *   _stop_playing@0  stops playback and releases everything; nonzero when a
 *                    song was playing, 0 when nothing was.
 *
 * Two ways to reach them:
 *  - Load the library at run time (every compiler, both widths): LoadLibraryA
 *    ("melvane.dll"), then GetProcAddress with MELVANE_PLAY_SONG_NAME and
 *    MELVANE_STOP_PLAYING_NAME, cast to MelvanePlaySong / MelvaneStopPlaying
 *    through (void (*)(void)), as GCC warns when a function pointer is cast
 *    to a type with other arguments or result.
 *  - Link against the import library (melvane.lib for Microsoft's linker and
 *    lld-link, melvane.dll.a for MinGW) and call melvane_play_song and
 *    melvane_stop_playing as declared below.
 */
#ifndef MELVANE_H
#define MELVANE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN64) || defined(__x86_64__)
#define MELVANE_CALL
#else
#define MELVANE_CALL __stdcall
#endif

#define MELVANE_PLAY_SONG_NAME "_play_song@0"
#define MELVANE_STOP_PLAYING_NAME "_stop_playing@0"

typedef int(MELVANE_CALL* MelvanePlaySong)(void);
typedef int(MELVANE_CALL* MelvaneStopPlaying)(void);

/* Direct declarations for hosts linked against an import library
 * (melvane.dll.a or melvane.lib). The export names hold characters a C name
 * cannot, so each toolchain is told the linker symbol another way. */
#if defined(__GNUC__)
/* MinGW: the symbol is given explicitly; on 32-bit x86 it carries one more
 * leading underscore, as every C symbol there does. */
#if defined(_WIN64) || defined(__x86_64__)
int melvane_play_song(void) __asm__("_play_song@0");
int melvane_stop_playing(void) __asm__("_stop_playing@0");
#else
int __stdcall melvane_play_song(void) __asm__("__play_song@0");
int __stdcall melvane_stop_playing(void) __asm__("__stop_playing@0");
#endif
#elif defined(_MSC_VER) && defined(_M_IX86)
/* 32-bit MSVC: the stdcall decoration of these names is exactly the
 * export's name. */
__declspec(dllimport) int __stdcall _play_song(void);
__declspec(dllimport) int __stdcall _stop_playing(void);
#define melvane_play_song _play_song
#define melvane_stop_playing _stop_playing
#elif defined(_MSC_VER)
/* 64-bit MSVC: no decoration, so the linker is told to take the import
 * library's pointers to the exports for these names' pointers. */
__declspec(dllimport) int melvane_play_song(void);
__declspec(dllimport) int melvane_stop_playing(void);
#pragma comment(linker, "/alternatename:__imp_melvane_play_song=__imp__play_song@0")
#pragma comment(linker, "/alternatename:__imp_melvane_stop_playing=__imp__stop_playing@0")
#endif

#ifdef __cplusplus
}
#endif

#endif /* MELVANE_H */
