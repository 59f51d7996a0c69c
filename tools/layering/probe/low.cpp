// The lower probe: declares a function it does not define, as a lower header might.
int LayeringProbeHigh();

int LayeringProbeLow() {
    return LayeringProbeHigh() + 1;
}
