#ifndef CONFIG_H
#define CONFIG_H
#define SAMPLE_PERIOD_MS 500
#endif
