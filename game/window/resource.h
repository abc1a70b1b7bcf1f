// Command ids shared by the window code and the resource script.
#pragma once

#define CMD_NEW_GAME 256
#define CMD_PRINT 257
#define CMD_SCORES 258
#define CMD_SAVE_KEY 261
#define CMD_HELP 262
#define CMD_ABOUT 263
#define CMD_EXIT 264
#define CMD_VERSUS_COMPUTER 270
#define CMD_LEVEL_EASY 271  // the three levels in order: level = id - CMD_LEVEL_EASY + 1
#define CMD_LEVEL_NORMAL 272
#define CMD_LEVEL_HARD 273
#define CMD_UNDO 274
#define CMD_SAVE_GAME 1022
#define CMD_RESTORE_GAME 1023
