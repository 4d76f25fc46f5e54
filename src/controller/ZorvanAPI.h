/* The controller board's library: 24 functions with C linkage. The program loads them at run time from
 * libZorvanAPI.so in its own folder, so the board vendor's library can stand in for the simulated board
 * that the project ships.
 *
 * Ints are signed 32-bit, bytes unsigned 8-bit. The four "position" pointers of a call receive the
 * board's current step counts X, Y, Z, A. Each call returns one status byte: 'Z' accepted, '[' idle
 * (motion finished), '\' busy (repeat later), or a negative code as 256 + code (-49 limit switch, -43
 * probe or home switch, -2 in emergency stop, ...). Moves are queued on the board: a move call returns
 * before the motion ends, and the end shows as '[' from ZorvanGetPosition. */
#ifndef ZORVAN_API_H
#define ZORVAN_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t ZorvanStatus;

#define ZORVAN_ACCEPTED ((ZorvanStatus)'Z')
#define ZORVAN_IDLE ((ZorvanStatus)'[')
#define ZORVAN_BUSY ((ZorvanStatus)'\\')
#define ZORVAN_ERROR(code) ((ZorvanStatus)(256 + (code))) /* code is negative, e.g. -49 */

ZorvanStatus ZorvanReset(int32_t* port, int32_t mode);
double ZorvanGetFirmwareVersion(void);
ZorvanStatus ZorvanSetAccelleration(int32_t acceleration, int32_t max_sps, int32_t start_velocity,
                                    uint8_t accel_scale);
ZorvanStatus ZorvanSetMaxSPS(int32_t max_sps, int32_t axis_count, uint8_t invert_step_pulse,
                             uint8_t reserved);
ZorvanStatus ZorvanSetArcDirection(uint8_t code);
ZorvanStatus ZorvanSetPosition(int32_t x, int32_t y, int32_t z, int32_t a, uint8_t axis_mask);
ZorvanStatus ZorvanGetPosition(int32_t* x, int32_t* y, int32_t* z, int32_t* a);
ZorvanStatus ZorvanLinearMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed, int32_t end_speed,
                              int32_t* px, int32_t* py, int32_t* pz, int32_t* pa);
ZorvanStatus ZorvanRapidMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed, int32_t end_speed,
                             int32_t* px, int32_t* py, int32_t* pz, int32_t* pa);
ZorvanStatus ZorvanIndexMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed, uint8_t axis_mask,
                             int32_t* px, int32_t* py, int32_t* pz, int32_t* pa);
ZorvanStatus ZorvanQuadrantArcMoveCW(int32_t radius, int32_t start_x, int32_t start_y, int32_t end_x,
                                     int32_t end_y, int32_t speed, int32_t end_speed, uint8_t quadrant,
                                     int32_t* px, int32_t* py, int32_t* pz, int32_t* pa);
ZorvanStatus ZorvanQuadrantArcMoveCCW(int32_t radius, int32_t start_x, int32_t start_y, int32_t end_x,
                                      int32_t end_y, int32_t speed, int32_t end_speed, uint8_t quadrant,
                                      int32_t* px, int32_t* py, int32_t* pz, int32_t* pa);
ZorvanStatus ZorvanDelay(int32_t* px, int32_t* py, int32_t* pz, double seconds, int32_t* pa);
ZorvanStatus ZorvanSetOutput(uint8_t output, uint8_t state, int32_t* px, int32_t* py, int32_t* pz,
                             int32_t* pa);
ZorvanStatus ZorvanHome(uint8_t axis_mask, uint8_t direction_bits, int32_t speed);
ZorvanStatus ZorvanSetFeedOverride(int32_t value);
ZorvanStatus ZorvanTweakZAxis(int32_t value);
ZorvanStatus ZorvanSetProbePolarity(uint8_t polarity);
ZorvanStatus ZorvanSetPWMOutput(uint8_t percent);
uint8_t ZorvanReadInputs(void);
ZorvanStatus ZorvanPause(void);
ZorvanStatus ZorvanContinue(void);
ZorvanStatus ZorvanEndCurrentMove(void);
ZorvanStatus ZorvanEmStop(void);

#ifdef __cplusplus
}
#endif

#endif /* ZORVAN_API_H */
