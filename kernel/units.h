#pragma once
// Unit tables of the kernel. A code outside its table gives 0, so a caller that divides by
// a result must test it first.

// Seconds per division of a time/div code _2NS_DIV (0) .. _100S_DIV (32).
double sec_per_div(int timeDiv_);

// Volts per division of a volt/div code _5MV_DIV (0) .. _10V_DIV (10), at the probe tip of
// a x1 probe.
double volt_per_div(int voltDiv_);

// Attenuation factor of a probe code: the code itself for _X1, _X10, _X100 and _X1000.
double probe_factor(int probe_);

// True for the four probe codes.
bool isValidProbe(int probe_);
