// Least-squares fit of a lens's inverse polynomial to its forward one.
#pragma once

// Fits c0..c8 of angle = c0 + c1 r + ... + c8 r^8 to the forward polynomial
// k1..k5 (height = k1 t + k2 t^3 + ... + k5 t^9) over incidence angles 0 to
// maxAngle radians. c0 is held at 0 so that the optical centre has angle 0.
void crFitInverseLens(const float k[5], double maxAngle, float c[9]);
