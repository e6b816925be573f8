// M_Trace: the toolkit's trace hook. It does nothing; it stays a variadic
// function so that trace calls compile everywhere.
#pragma once

void M_Trace(const char16_t* format, ...);
