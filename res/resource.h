// Resource ids shared by the resource script and the program.
#pragma once

#define IDI_MAINFRAME 128
#define IDI_PLATFORM 155
