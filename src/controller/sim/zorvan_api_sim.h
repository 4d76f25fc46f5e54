/* Functions of the simulated board's library that only tests use; the operator program never calls them.
 * The library holds one board per process, made on first use from ZorvanSim.Ini beside the library. */
#ifndef ZORVAN_API_SIM_H
#define ZORVAN_API_SIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* From now on each library call is step_s seconds of board time (0: time moves only by ZorvanSimAdvance). */
void ZorvanSimUseVirtualClock(double step_s);
/* From now on the board's motion keeps pace with the wall clock, as in the operator program. */
void ZorvanSimUseRealClock(void);
/* The seconds of board time the board has run since it was made. */
double ZorvanSimBoardTime(void);
/* Runs the board's motion for the given seconds without a call. */
void ZorvanSimAdvance(double seconds);
/* A fresh board with the settings of the file (NULL or "": the built-in defaults). Returns 1 when the file
 * was read, 0 when the defaults are used. */
int ZorvanSimLoadSettings(const char* path);
/* A fresh board with the settings of this text, laid out as ZorvanSim.Ini is. */
void ZorvanSimLoadSettingsText(const char* text);
/* A fresh board as on first use (ZorvanSim.Ini beside the library, or the defaults). */
void ZorvanSimReset(void);
/* Holds (non-zero) or releases the board's emergency-stop input. */
void ZorvanSimSetEStopInput(int held);
/* The output bits (mist 1, flood 2, spindle clockwise 4, counter-clockwise 8) and the PWM duty. */
uint8_t ZorvanSimOutputs(void);
uint8_t ZorvanSimPwmPercent(void);

#ifdef __cplusplus
}
#endif

#endif /* ZORVAN_API_SIM_H */
