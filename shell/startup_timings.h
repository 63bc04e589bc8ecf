// Start-up milestones of this run, as frameTimer readings (seconds since
// process start-up); 0 until reached. Read by the performance report.
#pragma once

struct StartupTimings {
    float windowAndContext;  // window shown, context current, projection set
    float textures;          // every image texture and the render textures exist
    float renderTarget;      // the framebuffer object is complete
    float music;             // startMusic has returned
    float firstFrame;        // the first frame has been presented
};

extern StartupTimings startupTimings;

// Stores the current frameTimer reading into one milestone.
void markStartup(float StartupTimings::*milestone);
