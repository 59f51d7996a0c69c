// The higher probe: defines what the lower one needs, and itself needs the lower one.
int LayeringProbeLow();

int LayeringProbeHigh() {
    return 41;
}

int LayeringProbeBoth() {
    return LayeringProbeLow() + LayeringProbeHigh();
}
