-- TK710DB.db: the database shared by the bench controller and the database program.
--
-- Reference data (meter types, tests and their points) is kept by the database program and
-- read by the controller; TTestBuf, TableStend and THand are the controller's working tables;
-- TMeasure, TPositionCH and TResult are the archive that the controller appends when a run is
-- saved.
--
-- The declared types carry the logical width of each column: SMALLINT 16-bit, TINYINT a code
-- 0..255, BOOLEAN 0/1, VARCHAR(N) text of at most N characters. A column nobody set is NULL;
-- the programs read a NULL number or code as 0 and a NULL flag as false.
--
-- DATETIME holds local time as text of one fixed form, ISO 8601 with milliseconds:
-- YYYY-MM-DDTHH:MM:SS.zzz ("2026-12-11T10:00:00.000"), written and read by
-- Database::dateTimeText and Database::parseDateTimeText. Every writer uses that form, so
-- date conditions compare texts of one shape and the date index orders runs by time.
--
-- The archive links cascade (deleting a run removes its positions and their results) when a
-- connection has PRAGMA foreign_keys=ON, which both programs set. All other links between the
-- tables are kept by the programs themselves.
--
-- Format for the init command's splitter: a statement ends with ';' at the end of a line;
-- comments start with two dashes and run to the end of the line; no string literals.

-- Meter types, one row per type variant.
CREATE TABLE TTip (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PTip VARCHAR(20),                -- type name ("Тип счетчика")
    PIdentificator VARCHAR(20),      -- variant; PTip + PIdentificator is unique (checked by the editor)
    PMaker VARCHAR(50),              -- manufacturer
    PClassT DOUBLE,                  -- accuracy class
    PUnom DOUBLE,                    -- nominal voltage, V
    PInom DOUBLE,                    -- nominal (base) current, A
    PReductRate DOUBLE,              -- meter constant, unit in PIdentReductRate
    PIdentReductRate TINYINT,        -- 1 "имп/кВт*час", 2 "кВт*час/имп", 3 "Вт*сек/имп"
    PPhase TINYINT,                  -- 1 "1ф", 2 "3ф 3п", 3 "3ф 4п"
    PEnergy TINYINT,                 -- 1 "Активная", 2 "Реактивная"
    PCenaDel DOUBLE,                 -- energy of one division of the register, kWh
    PImax DOUBLE                     -- maximum current, A
);

-- Test definitions: name, description and the four special tests, each with its own flag.
-- The special tests share the point number space of the test's TTestPoint rows.
CREATE TABLE TTest (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PNameTable VARCHAR(20),          -- test name ("Имя теста")
    PDescription VARCHAR(50),        -- description ("Описание теста")
    PSensitivityCB BOOLEAN,          -- starting current test ("Чувствительность") is run
    PSensitivityU SMALLINT,          -- its voltage, % of PUnom
    PSensitivityI DOUBLE,            -- its current, % of PInom
    PSensitivityT SMALLINT,          -- its duration, minutes part
    PSensitivityTSec SMALLINT,       -- its duration, seconds part
    PSensitivityN SMALLINT,          -- its point number within the test
    PSamochodCB BOOLEAN,             -- creep test ("Самоход") is run
    PSamochodU SMALLINT,             -- its voltage, % of PUnom
    PSamochodI DOUBLE,               -- its current, % of PInom
    PSamochodT SMALLINT,             -- duration, minutes part
    PSamochodTSec SMALLINT,          -- duration, seconds part
    PSamochodN SMALLINT,             -- its point number within the test
    PCountDeviceCB BOOLEAN,          -- register test, tariff 1 ("Счетное устройство (Тариф 1)") is run
    PEnergyCB BOOLEAN,               -- it ends when PCountEnergy is delivered ("Выдать энергию"), not after the duration
    PCountDeviceU SMALLINT,          -- voltage, % of PUnom
    PCountDeviceI DOUBLE,            -- current, % of PInom
    PCountDeviceT SMALLINT,          -- duration, minutes part
    PCountDeviceTSec SMALLINT,       -- duration, seconds part
    PCountEnergy DOUBLE,             -- energy to deliver, kWh
    PCountDeviceN SMALLINT,          -- its point number within the test
    PCountDeviceCB1 BOOLEAN,         -- register test, tariff 2 ("Счетное устройство (Тариф 2)") is run
    PEnergyCB1 BOOLEAN,              -- as PEnergyCB, for tariff 2
    PCountDeviceU1 SMALLINT,
    PCountDeviceI1 DOUBLE,
    PCountDeviceT1 SMALLINT,
    PCountDeviceTSec1 SMALLINT,
    PCountEnergy1 DOUBLE,            -- kWh
    PCountDeviceN1 SMALLINT
);

-- Error-measurement points of a test.
CREATE TABLE TTestPoint (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex INTEGER,               -- owning test: TTest.PIndex
    PNumPoint1 INTEGER,              -- point number within the test ("№ Точки"), not 0
    PNumPoint INTEGER,               -- sequence number over the whole table
    PPersentU INTEGER,               -- voltage, % of PUnom, at most 120
    PPersentI DOUBLE,                -- current, % of PInom, at most 1500
    PKM DOUBLE,                      -- power factor -1..1 (0 is stored as 1)
    PLC TINYINT,                     -- load: 0 none "*", 1 "L" inductive, 2 "C" capacitive; 0 exactly when |PKM| = 1
    PTimeM INTEGER,                  -- measuring time, minutes part
    PTimeS INTEGER,                  -- measuring time, seconds part
    PMeasureMax DOUBLE,              -- upper error limit, %
    PMeasureMin DOUBLE,              -- lower error limit, %
    PCountMeasure INTEGER,           -- number of error readings to take
    PInverseTok BOOLEAN,             -- current flows in reverse
    PStopPoint TINYINT               -- 0 "Без останова", 1 "С остановом", 2 "Останов с выкл"
);

-- The steps of the current run, refilled by the controller at every set-up.
CREATE TABLE TTestBuf (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PNumPointBuf INTEGER,            -- the step's point number within the test; the run is ordered by it
    PNumPoint INTEGER,               -- TTestPoint.PNumPoint of an error step; NULL for other steps
    PNumPoint1 INTEGER,              -- sequence number of the step in the run, 1, 2, 3 ...; 0 for warm-up
    PPersentU INTEGER,               -- voltage, % of PUnom
    PPersentI DOUBLE,                -- current, % of PInom
    PKM DOUBLE,                      -- power factor (1 for special and warm-up steps)
    PLC TINYINT,                     -- load: 0 "*", 1 "L", 2 "C"
    PTimeM INTEGER,                  -- time, minutes part
    PTimeS INTEGER,                  -- time, seconds part
    PMeasureMax DOUBLE,              -- upper error limit, % (error steps)
    PMeasureMin DOUBLE,              -- lower error limit, % (error steps)
    PCountMeasure INTEGER,           -- readings to take; warm-up: its duration / 5 s, rounded
    PMode INTEGER,                   -- 0 error point "п", 1 sensitivity "ч", 2 creep "с", 3 register tariff 1 "с/у(1)", 4 register tariff 2 "с/у(2)", 5 warm-up "прог"
    PInverseTok BOOLEAN,             -- reverse current (false for special and warm-up steps)
    PStopPoint TINYINT               -- 0 "Без останова", 1 "С остановом", 2 "Останов с выкл" (error steps)
);

-- Stand configuration: one row per stand 1..10, made by the init command; rows are only updated.
CREATE TABLE TableStend (
    PNumStend INTEGER PRIMARY KEY,   -- stand number 1..10
    PPointTip INTEGER,               -- meter type fitted on the stand: TTip.PIndex (0 none)
    PChecked BOOLEAN,                -- the stand answered the last probe
    -- PChN: position N of the stand carries a meter to be tested
    PCh1 BOOLEAN,
    PCh2 BOOLEAN,
    PCh3 BOOLEAN,
    PCh4 BOOLEAN,
    PCh5 BOOLEAN,
    PCh6 BOOLEAN,
    PCh7 BOOLEAN,
    PCh8 BOOLEAN,
    PCh9 BOOLEAN,
    PCh10 BOOLEAN,
    PCh11 BOOLEAN,
    PCh12 BOOLEAN,
    PCh13 BOOLEAN,
    PCh14 BOOLEAN,
    PCh15 BOOLEAN,
    PCh16 BOOLEAN,
    PCh17 BOOLEAN,
    PCh18 BOOLEAN,
    PCh19 BOOLEAN,
    PCh20 BOOLEAN,
    PCh21 BOOLEAN,
    PCh22 BOOLEAN,
    PCh23 BOOLEAN,
    PCh24 BOOLEAN,
    PCh25 BOOLEAN,
    PCh26 BOOLEAN,
    PCh27 BOOLEAN,
    PCh28 BOOLEAN,
    PCh29 BOOLEAN,
    PCh30 BOOLEAN,
    PCh31 BOOLEAN,
    PCh32 BOOLEAN,
    PCh33 BOOLEAN,
    PCh34 BOOLEAN,
    PCh35 BOOLEAN,
    PCh36 BOOLEAN,
    PCh37 BOOLEAN,
    PCh38 BOOLEAN,
    PCh39 BOOLEAN,
    PCh40 BOOLEAN,
    PCh41 BOOLEAN,
    PCh42 BOOLEAN,
    PCh43 BOOLEAN,
    PCh44 BOOLEAN,
    PCh45 BOOLEAN,
    PCh46 BOOLEAN,
    PCh47 BOOLEAN,
    PCh48 BOOLEAN,
    PCh49 BOOLEAN,
    PCh50 BOOLEAN,
    PCh51 BOOLEAN,
    PCh52 BOOLEAN,
    PCh53 BOOLEAN,
    PCh54 BOOLEAN,
    PCh55 BOOLEAN,
    PCh56 BOOLEAN,
    PCh57 BOOLEAN,
    PCh58 BOOLEAN,
    PCh59 BOOLEAN,
    PCh60 BOOLEAN,
    PCh61 BOOLEAN,
    PCh62 BOOLEAN,
    PCh63 BOOLEAN,
    PCh64 BOOLEAN,
    PCh65 BOOLEAN,
    PCh66 BOOLEAN,
    PCh67 BOOLEAN,
    PCh68 BOOLEAN,
    PCh69 BOOLEAN,
    PCh70 BOOLEAN,
    PCh71 BOOLEAN,
    PCh72 BOOLEAN,
    PCh73 BOOLEAN,
    PCh74 BOOLEAN,
    PCh75 BOOLEAN,
    PCh76 BOOLEAN,
    PCh77 BOOLEAN,
    PCh78 BOOLEAN,
    PCh79 BOOLEAN,
    PCh80 BOOLEAN,
    PCh81 BOOLEAN,
    PCh82 BOOLEAN,
    PCh83 BOOLEAN,
    PCh84 BOOLEAN,
    PCh85 BOOLEAN,
    PCh86 BOOLEAN,
    PCh87 BOOLEAN,
    PCh88 BOOLEAN,
    PCh89 BOOLEAN,
    PCh90 BOOLEAN,
    PCh91 BOOLEAN,
    PCh92 BOOLEAN,
    PCh93 BOOLEAN,
    PCh94 BOOLEAN,
    PCh95 BOOLEAN,
    PCh96 BOOLEAN,
    PCh97 BOOLEAN,
    PCh98 BOOLEAN,
    PCh99 BOOLEAN,
    PCh100 BOOLEAN
);

-- Manual-mode and warm-up parameters: one row.
CREATE TABLE THand (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PVoltage DOUBLE,                 -- voltage, V
    PTok DOUBLE,                     -- current, A
    PPerU DOUBLE,                    -- voltage, % of PUnom
    PPerI DOUBLE,                    -- current, % of PInom
    PKM DOUBLE,                      -- power factor
    PLC TINYINT,                     -- load: 0 "*", 1 "L", 2 "C"
    PAngle INTEGER,                  -- phase angle, degrees
    PTimeM SMALLINT,                 -- measuring time, minutes
    PTimeS SMALLINT,                 -- measuring time, seconds
    PDop DOUBLE,                     -- upper error limit, %
    PDopMin DOUBLE,                  -- lower error limit, %
    PFreq DOUBLE,                    -- frequency, Hz
    PInversionTok BOOLEAN,           -- reverse current
    PPerUProgon DOUBLE,              -- warm-up voltage, % of PUnom
    PPerIProgon DOUBLE,              -- warm-up current, % of PInom
    PTimeMProgon SMALLINT,           -- warm-up duration, minutes part
    PTimeSProgon SMALLINT,           -- warm-up duration, seconds part
    PProgon BOOLEAN                  -- a warm-up ("Тест прогрева") precedes an automatic verification
);

-- Archive: one row per meter type of a saved run.
CREATE TABLE TMeasure (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PDate DATETIME,                  -- when the run was saved (local time, form above)
    PPointerTip INTEGER,             -- meter type: TTip.PIndex
    PPointerTest INTEGER             -- test that was run: TTest.PIndex
);

-- Archive: one row per tested meter of a run.
-- Verdicts of sensitivity and register: 0 not performed, 1 pass, 2 fail.
-- Creep verdict the other way round: 0 not performed, 1 creep seen (fail), 2 no creep (pass).
-- Overall verdict: 0 no verdict ("Нет данных"), 1 "Годен", 2 "Не годен".
CREATE TABLE TPositionCH (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex INTEGER REFERENCES TMeasure(PIndex) ON DELETE CASCADE, -- run: TMeasure.PIndex
    PPositionStend INTEGER,          -- stand number 1..10
    PPositionCh INTEGER,             -- position on the stand 1..100
    PNumber VARCHAR(15),             -- the meter's serial number
    PSensitivity TINYINT,            -- 0 not performed, 1 pulses seen (pass), 2 too few pulses (fail)
    PSensitivityTimeM INTEGER,       -- its duration, minutes part
    PSensitivityTimeS INTEGER,       -- its duration, seconds part
    PSensitivityPersentU INTEGER,    -- its voltage, % of PUnom
    PSensitivityPersentI DOUBLE,     -- its current, % of PInom
    PSensitivityNumPoint SMALLINT,   -- its point number within the test
    PSamochod TINYINT,               -- 0 not performed, 1 creep seen (fail), 2 no creep (pass)
    PSamochodTimeM INTEGER,          -- duration, minutes part
    PSamochodTimeS INTEGER,          -- duration, seconds part
    PSamochodPersentU INTEGER,       -- voltage, % of PUnom (creep runs without current)
    PSamochodNumPoint SMALLINT,      -- its point number within the test
    PCountDevice TINYINT,            -- register, tariff 1: 0 not performed, 1 correct (pass), 2 wrong (fail)
    PCountDeviceTimeM INTEGER,       -- duration, minutes part; 0 when the test ended by energy
    PCountDeviceTimeS DOUBLE,        -- duration, seconds part; the energy delivered, kWh, when it ended by energy
    PCountDevicePersentU INTEGER,    -- voltage, % of PUnom
    PCountDevicePersentI DOUBLE,     -- current, % of PInom
    PCountDeviceNumPoint SMALLINT,   -- its point number within the test
    PCountDeviceEnergy BOOLEAN,      -- the test ended by delivered energy
    PCountDevice1 TINYINT,           -- register, tariff 2: codes as PCountDevice
    PCountDeviceTimeM1 INTEGER,
    PCountDeviceTimeS1 DOUBLE,
    PCountDevicePersentU1 INTEGER,
    PCountDevicePersentI1 DOUBLE,
    PCountDeviceNumPoint1 SMALLINT,
    PCountDeviceEnergy1 BOOLEAN,
    PTotal TINYINT                   -- 0 no verdict "Нет данных", 1 "Годен", 2 "Не годен"
);

-- Archive: one row per error step and meter that has a mean error.
CREATE TABLE TResult (
    PIndex INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex INTEGER REFERENCES TPositionCH(PIndex) ON DELETE CASCADE, -- position: TPositionCH.PIndex
    PPointNumber INTEGER,            -- the point's number within the test
    PPersentU INTEGER,               -- voltage, % of PUnom
    PPersentI DOUBLE,                -- current, % of PInom
    PKM VARCHAR(6),                  -- power factor as text: "1", "-1", "0.5 L", "0.8 C"
    PMeasure DOUBLE,                 -- mean error, %, 3 decimals
    PSKOMeasure DOUBLE,              -- standard deviation of the readings, %, 3 decimals
    PMeasureMax DOUBLE,              -- upper error limit, %
    PMeasureMin DOUBLE,              -- lower error limit, %
    PInverseTok BOOLEAN,             -- reverse current
    PCountMeasure INTEGER,           -- number of readings asked for
    PTimeM VARCHAR(20),              -- measuring time, minutes part, as text
    PTimeS VARCHAR(20),              -- measuring time, seconds part, as text
    PAngle INTEGER                   -- phase angle of the point, whole degrees
);

-- Lookups the programs make: a test's points, a run's positions, a position's results, the
-- archive browser's filters by date, type and test, and the search by serial number.
CREATE INDEX TTestPoint_PSecIndex ON TTestPoint(PSecIndex);
CREATE INDEX TPositionCH_PSecIndex ON TPositionCH(PSecIndex);
CREATE INDEX TResult_PSecIndex ON TResult(PSecIndex);
CREATE INDEX TMeasure_PDate ON TMeasure(PDate);
CREATE INDEX TMeasure_PPointerTip ON TMeasure(PPointerTip);
CREATE INDEX TMeasure_PPointerTest ON TMeasure(PPointerTest);
CREATE INDEX TPositionCH_PNumber ON TPositionCH(PNumber);
