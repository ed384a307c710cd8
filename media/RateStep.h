#pragma once
// The step rule of the engines' rate commands: a new request adds to a rate in the same
// direction, turns the direction over at ±1, and slow rates (|request| < 0.5) are taken as
// they are. A request of 0 goes back to normal speed.

inline double NextRate(double current, double request)
{
    if (request == 0)
        return 1.0;
    if (request > 0 && request < 0.5)
        return request;
    if (request >= 0.5)
        return current < 0 ? 1.0 : current >= 0.5 ? current + request : request;
    if (request > -0.5)
        return request;
    return current >= 0 ? -1.0 : current <= -0.5 ? current + request : request;
}
